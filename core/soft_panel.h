// The logic of the soft front panel. Its data members are the panel's shared
// state (timing, display state, the mirror of the counter's settings and menu
// positions, the serial settings, the two editors); its member functions are
// the panel's procedures and the window's event procedures, named after the
// element and the event. Everything runs on the one event thread.
//
// Members are public on purpose: they are the module state that every
// subsystem shares, and tests read them.
//
// The member functions are defined in the folder of their subsystem:
//   core/      panel_state, serial_link, power, system_clock, held_line
//   readings/  reading_display, editor_display
//   menus/     menu_catalogue, menu_navigation, enter_key, function_name
//   keys/      key_commands, key_actions, lamps
#pragma once

#include <cstdint>
#include <string>

#include "core/held_line.h"
#include "core/int16.h"
#include "core/line_tap.h"
#include "core/panel_codes.h"
#include "core/panel_view.h"
#include "core/serial_control.h"
#include "readings/int_editor.h"
#include "readings/value_editor.h"

namespace kt {

// The five serial-settings menus of the menu bar.
enum class SerialMenu : int16_t { Port, Baud, Parity, Swpace, DTR };

// The shared state that every power-on sets: the display and menu state and
// the mirror of the counter's settings and menu positions. ResetPanelState
// assigns kPowerOnState; at program start, before the first power-on, all of
// it is 0 or false. SoftPanel holds it as its base, so the procedures name
// each variable as it is.
struct PanelPowerOnState {
    // Timing and display state
    Flag menuTimeoutArmed;
    Flag deferIsKey;
    int16_t deferKeyCode;
    Flag entryUnconfirmed;
    Flag moveLightBlinking;
    int16_t displayCode;
    Flag menuFirstPress;
    Flag running;
    Flag stopOnLimitFail;
    int16_t lastFunction;

    // Mirror of the counter's settings and menu positions
    int16_t measFunction;
    int16_t freqFuncItem;
    int16_t periodFuncItem;
    int16_t otherFuncItem;
    int16_t gateTimeIndex;
    int16_t trigMenuItem;
    int16_t limitValueItem;
    int16_t limitModeItem;
    int16_t mathMenuItem;
    int16_t statsMenuItem;
    Flag ch1Imp50Ohm;
    Flag ch1CouplingDC;
    Flag ch1AttenX10;
    Flag ch1LowPassFilter;
    Flag trigSlopeNeg;
    int16_t trigLevel;
    Flag limitTestOn;
    Flag mathOn;
    Flag statsOn;
    int16_t statsShowItem;
    int16_t statsCount;
    double limitUpper;
    double limitLower;
    double mathScale;
    double mathOffset;
    double statsF0;
    int16_t lastKey;  // key number of the last key whose action recorded itself
};

// The power-on values, each written here once.
inline constexpr PanelPowerOnState kPowerOnState{
    .menuTimeoutArmed = kFalse,
    .deferIsKey = kFalse,
    .deferKeyCode = 0,
    .entryUnconfirmed = kFalse,
    .moveLightBlinking = kFalse,
    .displayCode = display::kReadings,
    .menuFirstPress = kTrue,
    .running = kFalse,
    .stopOnLimitFail = kFalse,
    .lastFunction = 0,

    .measFunction = function::kFrequency1,
    .freqFuncItem = 0,
    .periodFuncItem = 0,
    .otherFuncItem = 0,
    .gateTimeIndex = gate::k100ms,
    .trigMenuItem = 0,
    .limitValueItem = 0,
    .limitModeItem = 0,
    .mathMenuItem = 0,
    .statsMenuItem = 0,
    .ch1Imp50Ohm = kFalse,
    .ch1CouplingDC = kFalse,
    .ch1AttenX10 = kFalse,
    .ch1LowPassFilter = kFalse,
    .trigSlopeNeg = kFalse,
    .trigLevel = 0,
    .limitTestOn = kFalse,
    .mathOn = kFalse,
    .statsOn = kFalse,
    .statsShowItem = 0,
    .statsCount = 10,
    .limitUpper = 0.0,
    .limitLower = 0.0,
    .mathScale = 1.0,
    .mathOffset = 0.0,
    .statsF0 = 10000000.0,
    .lastKey = 0,
};

class SoftPanel : public PanelPowerOnState {
public:
    explicit SoftPanel(SerialControl& serial);
    SoftPanel(const SoftPanel&) = delete;
    SoftPanel& operator=(const SoftPanel&) = delete;

    // ---------------------------------------------------------------- state
    PanelView view;                  // the window's element model
    SerialControl& mscSoftPanel;     // the serial line to the counter
    std::string appPath;             // folder the picture files are loaded from

    // Timing state that a power-on keeps: the tick counter, the deadlines'
    // ticks, a pending deferred action, and the frequency range of the last
    // identification.
    int16_t tickCount = 0;
    int16_t menuTimeoutTick = 0;
    Flag deferArmed = kFalse;
    int16_t deferTick = 0;
    int16_t frequencyRange = 0;

    // Serial settings (not touched by the power-on reset)
    int16_t serialPortIndex = 0;
    int16_t serialBaudIndex = 0;
    int16_t serialParityIndex = 0;
    int16_t serialXonPacing = 0;
    int16_t serialDtrMode = 0;

    // Commands held back by a counter that sent XOFF (core/held_line.cpp)
    HeldLine heldLine;

    // The two editors of numeric settings
    IntEditor intEditor;
    ValueEditor valueEditor;

    // Hands every complete line received while connected to its observer.
    LineTap lineTap;

    // ------------------------------------------- panel state (core/panel_state.cpp)
    void ResetPanelState();

    // ---------------------------------------------- serial link (core/serial_link.cpp)
    void SetSerialDefaults();
    void ApplySerialSettings();
    // The click of any item of the five serial-settings menus.
    void SerialMenu_Click(SerialMenu menu, int16_t item);
    void mscSoftPanel_OnComm();
    // The serial control reports a fault of the open port.
    void mscSoftPanel_OnFault(SerialFault fault, const std::string& text);
    void Form_Unload();
    // Writes one command followed by a line feed.
    void SendCommand(const std::string& command);

    // ------------------------------------- power switch and handshake (core/power.cpp)
    void Form_Load();
    void cmdPower_Click();
    void PowerOn();
    void EnableFrontPanel();
    void PowerOff();
    void timPowerOn_Timer();

    // ------------------------------------------------ system clock (core/system_clock.cpp)
    void timSystemClk_Timer();
    // Reports commands that a counter holding the line keeps from going out
    // (core/held_line.cpp; the system clock calls it).
    void WatchHeldLine();

    // ---------------------------------------- reading display (readings/reading_display.cpp)
    void ShowReading();

    // ---------------------------------------- editors on the display (readings/editor_display.cpp)
    void LoadValueEditor(double x);
    void ShowValueCursor();
    double EditedValue() const;
    void ShowEditedValue();
    int16_t IncIntDigit(int16_t& v);
    int16_t DecIntDigit(int16_t& v);
    void IncValueDigit();
    void DecValueDigit();
    void ToggleValueSign();
    void ValueCursorLeft();
    void ValueCursorRight();
    void cmdSign_Click();
    void ShowEditCursor();
    // The integer editor's display texts: the level item and the N item.
    void ShowLevelText();
    void ShowCountText();

    // ------------------------------------------ menu catalogue (menus/menu_catalogue.cpp)
    void HideUnitLabels();
    void ShowFreqFuncItem();
    void ShowPeriodFuncItem();
    void ShowOtherFuncItem();
    void ShowGateTime();
    void ShowCh1Impedance();
    void ShowCh1Coupling();
    void ShowCh1Attenuation();
    void ShowCh1Filter();
    void ShowTriggerMenu();
    void ShowLimitValueMenu();
    void ShowLimitModeMenu();
    void ShowMathMenu();
    void ShowStatsMenu();
    void ShowMenuMessage(int16_t index);

    // ---------------------------------------- menu navigation (menus/menu_navigation.cpp)
    void cmdUp_Click();
    void cmdDown_Click();
    void cmdLeft_Click();
    void cmdRight_Click();
    void StepFreqFuncForward();
    void StepFreqFuncBack();
    void StepPeriodFuncForward();
    void StepPeriodFuncBack();
    void StepOtherFuncForward();
    void StepOtherFuncBack();
    void StepGateForward();
    void StepGateBack();
    void ToggleCh1Impedance();
    void ToggleCh1Coupling();
    void ToggleCh1Attenuation();
    void ToggleCh1Filter();
    void ToggleTrigSlope();
    void ToggleLimitTest();
    void ToggleOnFail();
    void ToggleMath();
    void StepStatsShow();
    void ToggleStats();
    void MoveEditCursorLeft();
    void MoveEditCursorRight();
    void SkipUnofferedItemForward();
    void SkipUnofferedItemBack();
    // Arrow, sign and Enter keys on a message: drop it and free the display.
    void DismissMessage();
    // Clears the display to its idle text "0 " and gives it back to the
    // readings (displayCode 0); the next key press is a first press.
    void ReturnToReadings();

    // ------------------------------------------------------- Enter key (menus/enter_key.cpp)
    void cmdEnter_Click();
    void CommitEditedValue();

    // --------------------------------------------------- key commands (keys/key_commands.cpp)
    void cmdFrequency_Click();
    void cmdOther_Click();
    void cmdTime_Click();
    void cmdArm_Click();
    void cmdUpper_Click();
    void cmdLimitMode_Click();
    void cmdRun_Click();
    void cmdScale_Click();
    void cmdStats_Click();
    void cmdStop_Click();
    void cmdCh1Trig_Click();
    void cmdCh1Imp_Click();
    void cmdCh1Coup_Click();
    void cmdCh1Att_Click();
    void cmdCh1Filt_Click();
    void cmdSpeedHigh_Click();
    void cmdSpeedFast_Click();
    void cmdSpeedMiddle_Click();
    void cmdSpeedLow_Click();
    // The click of a coded key, by its key-action code (1..19).
    void ClickCodedKey(int16_t code);

    // ---------------------------------------------------- key actions (keys/key_actions.cpp)
    void RunKeyAction(int16_t code);
    void ApplyFrequencyKey();
    void ApplyTimeKey();
    void ApplyOtherKey();
    void ApplyArmKey();
    void ApplyUpperKey();
    void ApplyLimitModeKey();
    void ApplyScaleKey();
    void ApplyStatsKey();
    void ApplyRunKey();
    void ApplyStopKey();
    void ApplyCh1TrigKey();
    void ApplyCh1ImpKey();
    void ApplyCh1CoupKey();
    void ApplyCh1AttKey();
    void ApplyCh1FiltKey();
    void ApplySpeedHighKey();
    void ApplySpeedFastKey();
    void ApplySpeedMiddleKey();
    void ApplySpeedLowKey();

    // ------------------------------------------------------------ lamps (keys/lamps.cpp)
    void RefreshFunctionLamps();
    void RefreshFunctionKeyLamps();
    void ShowRunStopLamps();
    void RefreshChannelLamps();
    void RefreshSpeedLamps();
    void MoveLightOff();
    void TrigLampOff();
    void TrigLampOn();
    void LimitLampOff();
    void LimitLampOn();
    void MathLampOff();
    void MathLampOn();
    void StatsLampOff();
    void StatsLampOn();
    void RefreshModeLamps();
    // The full lamp refresh of a connect.
    void RefreshAllLamps();

    // ------------------------------------------------------- pictures (core/power.cpp)
    void LoadPanelPictures();
};

}  // namespace kt
