// The local action of each key on the panel's mirror of the counter: menus
// opened and stepped, first and repeated presses, the "NO ... MENU" messages,
// lamps and the dispatcher used by deferred keys.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "support/connected_panel.h"

namespace {

using kt::kFalse;
using kt::kLampLit;
using kt::kLampOff;
using kt::kTrue;
using kt::SoftPanel;

using Action = void (SoftPanel::*)();
using LampRef = kt::Lamp kt::PanelView::*;

class KeyAction : public kt::test::PanelTest {
protected:
    void SetUp() override { OpenAndReset(); }
};

// ----------------------------------------------------------------- dispatcher

TEST_F(KeyAction, DispatcherRunsTheActionOfEachCodeWhichRecordsItsKeyNumber) {
    // code -> the key number the action records in lastKey
    const int16_t keyNumberOfCode[20] = {0, 1, 4, 2, 5, 7, 8, 10, 11, 9, 12, 13, 14, 15, 16, 17, 19, 20, 21, 22};
    for (int16_t code = 1; code <= 19; ++code) {
        SCOPED_TRACE(code);
        kt::test::ConnectedPanel fresh;
        SoftPanel& p = fresh.panel;
        p.ResetPanelState();
        p.deferArmed = kTrue;  // a deferred action still pending
        p.RunKeyAction(code);
        EXPECT_EQ(p.lastKey, keyNumberOfCode[code]);
        EXPECT_EQ(p.deferArmed, kFalse);
        EXPECT_TRUE(fresh.serial.written.empty());  // actions never send
    }
}

TEST_F(KeyAction, DispatcherIgnoresCodesOutsideTheTable) {
    panel.deferArmed = kTrue;
    panel.deferTick = 77;
    panel.view.txtDisplay.SetText("12.5 ");
    for (int16_t code : {int16_t{0}, int16_t{20}, int16_t{-1}, int16_t{32767}, int16_t{-32768}}) {
        panel.RunKeyAction(code);
    }
    EXPECT_EQ(panel.lastKey, 0);
    EXPECT_EQ(panel.deferArmed, kTrue);
    EXPECT_EQ(panel.displayCode, 0);
    EXPECT_EQ(Display(), "12.5 ");
}

// -------------------------------------------------------------- function keys

TEST_F(KeyAction, FrequencyKeyShowsTheCurrentItemFirstAndAdvancesWhenPressedAgain) {
    panel.frequencyRange = 9;  // every function offered
    panel.ApplyFrequencyKey();
    EXPECT_EQ(Display(), "FREQUENCY 1    ");
    EXPECT_EQ(panel.displayCode, 1);
    EXPECT_EQ(panel.measFunction, 0);
    EXPECT_EQ(panel.menuTimeoutArmed, kTrue);
    EXPECT_EQ(panel.menuTimeoutTick, 33);
    EXPECT_EQ(panel.moveLightBlinking, kTrue);
    panel.ApplyFrequencyKey();
    EXPECT_EQ(Display(), "FREQUENCY 2    ");
    EXPECT_EQ(panel.measFunction, 1);
    EXPECT_EQ(panel.view.shpFrequency.BackColor, kLampLit);
}

TEST_F(KeyAction, AlternatingFunctionKeysNeverAdvance) {
    struct Step {
        Action key;
        const char* text;
        int16_t displayCode;
        int16_t function;
        LampRef lit;
        LampRef dark;
    };
    // Pressed in turn: each key only shows its menu's current item.
    const Step steps[] = {
        {&SoftPanel::ApplyFrequencyKey, "FREQUENCY 1    ", 1, 0, &kt::PanelView::shpFrequency, &kt::PanelView::shpTime},
        {&SoftPanel::ApplyTimeKey, "PERIOD 1            ", 2, 7, &kt::PanelView::shpTime, &kt::PanelView::shpFrequency},
        {&SoftPanel::ApplyFrequencyKey, "FREQUENCY 1    ", 1, 0, &kt::PanelView::shpFrequency, &kt::PanelView::shpTime},
        {&SoftPanel::ApplyOtherKey, "FREQ CHECK     ", 3, 10, &kt::PanelView::shpOther, &kt::PanelView::shpTime},
    };
    panel.frequencyRange = 9;
    for (const Step& s : steps) {
        (panel.*s.key)();
        EXPECT_EQ(Display(), s.text);
        EXPECT_EQ(panel.displayCode, s.displayCode) << s.text;
        EXPECT_EQ(panel.measFunction, s.function) << s.text;
        EXPECT_EQ((panel.view.*s.lit).BackColor, kLampLit) << s.text;
        EXPECT_EQ((panel.view.*s.dark).BackColor, kLampOff) << s.text;
    }
}

TEST_F(KeyAction, AfterATimeOutTheSameFunctionKeyOnlyShowsAgain) {
    panel.frequencyRange = 9;
    panel.ApplyTimeKey();
    panel.ApplyTimeKey();
    EXPECT_EQ(Display(), "PERIOD 2            ");
    Tick(33);
    EXPECT_EQ(Display(), "0 ");
    panel.ApplyTimeKey();
    EXPECT_EQ(Display(), "PERIOD 2            ");
    EXPECT_EQ(panel.lastKey, 4);
}

// ------------------------------------------------------------------ gate key

TEST_F(KeyAction, GateKeyShowsThenStepsTheGateTimeAndLightsTheMatchingSpeedLamp) {
    panel.ApplyArmKey();
    EXPECT_EQ(Display(), "GATE: 100mS      ");
    EXPECT_EQ(panel.displayCode, 4);
    EXPECT_EQ(panel.gateTimeIndex, 8);
    EXPECT_EQ(panel.view.shpSpeedFast.BackColor, kLampLit);
    panel.ApplyArmKey();
    EXPECT_EQ(Display(), "GATE: 400mS      ");
    EXPECT_EQ(panel.gateTimeIndex, 9);
    EXPECT_EQ(panel.view.shpSpeedFast.BackColor, kLampOff);
    EXPECT_EQ(panel.view.shpSpeedMiddle.BackColor, kLampLit);
    panel.ApplyArmKey();
    EXPECT_EQ(Display(), "GATE: 700mS      ");
    EXPECT_EQ(panel.view.shpSpeedMiddle.BackColor, kLampOff);
    EXPECT_EQ(panel.menuTimeoutArmed, kTrue);
    EXPECT_EQ(panel.lastKey, 5);
}

// ------------------------------------------------------------ channel 1 keys

struct ChannelCase {
    const char* name;
    Action apply;
    kt::Flag SoftPanel::*setting;
    int16_t displayCode;
    kt::Lamp kt::PanelView::*lamp;
    const char* textOn;
    const char* textOff;
};
void PrintTo(const ChannelCase& c, std::ostream* os) { *os << c.name; }

class ChannelKeys : public KeyAction, public ::testing::WithParamInterface<ChannelCase> {};

TEST_P(ChannelKeys, ToggleOnTheFirstPressAsWellAsLaterOnes) {
    const ChannelCase& c = GetParam();
    (panel.*c.apply)();
    EXPECT_EQ(panel.*c.setting, kTrue);
    EXPECT_EQ(panel.displayCode, c.displayCode);
    EXPECT_EQ(Display(), c.textOn);
    EXPECT_EQ((panel.view.*c.lamp).BackColor, kLampLit);
    EXPECT_EQ(panel.menuTimeoutArmed, kTrue);
    EXPECT_EQ(panel.moveLightBlinking, kTrue);
    (panel.*c.apply)();
    EXPECT_EQ(panel.*c.setting, kFalse);
    EXPECT_EQ(Display(), c.textOff);
    EXPECT_EQ((panel.view.*c.lamp).BackColor, kLampOff);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ChannelKeys,
    ::testing::Values(
        ChannelCase{"Impedance", &SoftPanel::ApplyCh1ImpKey, &SoftPanel::ch1Imp50Ohm, 5, &kt::PanelView::shpCh1Imp,
                    "CH 1: 50 OHM      ", "CH 1: 1M OHM      "},
        ChannelCase{"Coupling", &SoftPanel::ApplyCh1CoupKey, &SoftPanel::ch1CouplingDC, 7, &kt::PanelView::shpCh1Coup,
                    "CH 1: DC              ", "CH 1: AC              "},
        ChannelCase{"Attenuator", &SoftPanel::ApplyCh1AttKey, &SoftPanel::ch1AttenX10, 9, &kt::PanelView::shpCh1Att,
                    "CH 1: X10 ATT     ", "CH 1: X1  ATT      "},
        ChannelCase{"Filter", &SoftPanel::ApplyCh1FiltKey, &SoftPanel::ch1LowPassFilter, 11,
                    &kt::PanelView::shpCh1Filt, "CH 1: LP FILT      ", "CH 1: NO FILT      "}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ mode-menu keys

struct ModeMenuCase {
    const char* name;
    Action apply;
    int16_t SoftPanel::*item;
    std::vector<int16_t> codes;  // displayCode of each item, in order
    const char* noMenuText;
};
void PrintTo(const ModeMenuCase& c, std::ostream* os) { *os << c.name; }

class ModeMenuKeys : public KeyAction, public ::testing::WithParamInterface<ModeMenuCase> {};

TEST_P(ModeMenuKeys, FirstPressShowsTheCurrentItemAndRepeatedPressesCycle) {
    const ModeMenuCase& c = GetParam();
    panel.measFunction = 3;  // RATIO 1 TO 2: the last function with these menus
    panel.lastFunction = 3;
    const std::size_t n = c.codes.size();
    for (std::size_t press = 0; press <= n; ++press) {
        SCOPED_TRACE(press);
        (panel.*c.apply)();
        EXPECT_EQ(panel.*c.item, static_cast<int16_t>(press % n));
        EXPECT_EQ(panel.displayCode, c.codes[press % n]);
        EXPECT_EQ(panel.menuFirstPress, kFalse);
        EXPECT_EQ(panel.moveLightBlinking, kTrue);
        EXPECT_EQ(panel.menuTimeoutArmed, kFalse);
    }
    // Another key in between: the next press shows the item again.
    const int16_t shown = panel.*c.item;
    panel.ApplyRunKey();
    (panel.*c.apply)();
    EXPECT_EQ(panel.*c.item, shown);
}

TEST_P(ModeMenuKeys, MenusStayOpenWithoutTimeOut) {
    const ModeMenuCase& c = GetParam();
    panel.ApplyFrequencyKey();  // a timed menu whose time-out the mode key clears
    (panel.*c.apply)();
    const std::string shown = Display();
    Tick(100);
    EXPECT_EQ(panel.displayCode, c.codes[0]);
    EXPECT_EQ(Display(), shown);
}

TEST_P(ModeMenuKeys, WithoutTheMenuAMessageShowsAndClearsItself) {
    const ModeMenuCase& c = GetParam();
    panel.measFunction = 4;  // RATIO 1 TO 3 and above have no such menu
    panel.lastKey = 1;
    panel.tickCount = 32760;  // the message deadline wraps with the counter
    panel.view.shpMoveLight.BackColor = kLampLit;
    panel.moveLightBlinking = kTrue;
    panel.view.shpCh1Trig.BackColor = kLampLit;
    (panel.*c.apply)();
    EXPECT_EQ(Display(), c.noMenuText);
    EXPECT_EQ(panel.displayCode, 42);
    EXPECT_EQ(panel.lastKey, 1);
    EXPECT_EQ(panel.*c.item, 0);
    EXPECT_EQ(panel.menuFirstPress, kTrue);
    EXPECT_EQ(panel.moveLightBlinking, kFalse);
    EXPECT_EQ(panel.view.shpMoveLight.BackColor, kLampOff);
    EXPECT_EQ(panel.view.shpCh1Trig.BackColor, kLampOff);
    EXPECT_EQ(panel.deferArmed, kTrue);
    EXPECT_EQ(panel.deferIsKey, kFalse);
    Tick(11);
    EXPECT_EQ(Display(), c.noMenuText);
    Tick(1);
    EXPECT_EQ(Display(), "0 ");
    EXPECT_EQ(panel.displayCode, 0);
    EXPECT_EQ(panel.deferArmed, kFalse);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ModeMenuKeys,
    ::testing::Values(ModeMenuCase{"Upper", &SoftPanel::ApplyUpperKey, &SoftPanel::limitValueItem, {30, 31},
                                   "NO LIM MENU     "},
                      ModeMenuCase{"LimitMode", &SoftPanel::ApplyLimitModeKey, &SoftPanel::limitModeItem, {32, 33},
                                   "NO LIM MENU     "},
                      ModeMenuCase{"Scale", &SoftPanel::ApplyScaleKey, &SoftPanel::mathMenuItem, {34, 35, 36},
                                   "NO MATH MENU "},
                      ModeMenuCase{"Stats", &SoftPanel::ApplyStatsKey, &SoftPanel::statsMenuItem, {37, 38, 39, 40},
                                   "NO STAT MENU  "}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(KeyAction, ScaleKeyOnRatioTwoToOneLeavesTheMathMenuAlone) {
    panel.measFunction = 5;
    panel.lastFunction = 5;
    panel.mathMenuItem = 2;
    panel.lastKey = 10;  // even after a press of the same key
    panel.menuFirstPress = kFalse;
    panel.ApplyScaleKey();
    EXPECT_EQ(Display(), "NO MATH MENU ");
    EXPECT_EQ(panel.mathMenuItem, 2);
    EXPECT_EQ(panel.lastKey, 10);
}

TEST_F(KeyAction, NoMenuMessageDoesNotRunAKeyLeftOverFromAnEarlierDeferral) {
    // The clearing of a "NO ... MENU" message never runs a key, whatever an
    // earlier "NOT ENTERED " deferral left behind in deferIsKey.
    panel.measFunction = 7;
    panel.deferIsKey = kTrue;
    panel.deferKeyCode = 12;
    panel.ApplyStatsKey();
    Tick(12);
    EXPECT_EQ(Display(), "0 ");
    EXPECT_EQ(panel.ch1Imp50Ohm, kFalse);
    EXPECT_EQ(panel.lastKey, 0);
}

// --------------------------------------------------------------- trigger key

TEST_F(KeyAction, TriggerKeyOpensLevelThenAlternatesWithSlope) {
    panel.ApplyCh1TrigKey();
    EXPECT_EQ(panel.displayCode, 13);
    EXPECT_EQ(Display(), "LEVEL:  0.00V      ");
    EXPECT_EQ(panel.view.shpCh1Trig.BackColor, kLampLit);
    EXPECT_EQ(panel.moveLightBlinking, kTrue);
    EXPECT_EQ(panel.menuTimeoutArmed, kFalse);
    EXPECT_EQ(panel.lastKey, 13);
    panel.ApplyCh1TrigKey();
    EXPECT_EQ(panel.displayCode, 15);
    EXPECT_EQ(Display(), "SLOPE: POS        ");
    EXPECT_EQ(panel.trigMenuItem, 1);
    panel.ApplyCh1TrigKey();
    EXPECT_EQ(panel.displayCode, 13);
    EXPECT_EQ(panel.trigMenuItem, 0);
    // Any other key darkens the trigger lamp.
    panel.ApplyFrequencyKey();
    EXPECT_EQ(panel.view.shpCh1Trig.BackColor, kLampOff);
    // Back to the trigger key: a first press shows the level again.
    panel.ApplyCh1TrigKey();
    EXPECT_EQ(panel.displayCode, 13);
}

TEST_F(KeyAction, TriggerKeyOnFreqCheckShowsNoTrigMenuButRemembersThePress) {
    panel.measFunction = 10;
    panel.lastFunction = 10;
    panel.ApplyCh1TrigKey();
    EXPECT_EQ(Display(), "NO TRIG MENU    ");
    EXPECT_EQ(panel.displayCode, 42);
    EXPECT_EQ(panel.lastKey, 13);
    EXPECT_EQ(panel.menuFirstPress, kTrue);
    EXPECT_EQ(panel.view.shpCh1Trig.BackColor, kLampOff);
    EXPECT_EQ(panel.moveLightBlinking, kFalse);
    panel.ApplyCh1TrigKey();  // pressed again: still a first press, nothing grows
    EXPECT_EQ(panel.trigMenuItem, 0);
    Tick(12);
    EXPECT_EQ(Display(), "0 ");
    EXPECT_EQ(panel.displayCode, 0);
}

// ----------------------------------------------------------- run, stop, speed

TEST_F(KeyAction, RunClosesAnyMenuAndStopKeepsTheDisplayText) {
    panel.ApplyArmKey();
    panel.ApplyStopKey();
    EXPECT_EQ(panel.running, kFalse);
    EXPECT_EQ(panel.displayCode, 0);
    EXPECT_EQ(Display(), "GATE: 100mS      ");
    EXPECT_EQ(panel.view.shpStopping.BackColor, kLampLit);
    EXPECT_EQ(panel.view.shpRunning.BackColor, kLampOff);
    EXPECT_EQ(panel.moveLightBlinking, kFalse);
    EXPECT_EQ(panel.menuTimeoutArmed, kFalse);
    EXPECT_EQ(panel.lastKey, 12);

    panel.ApplyCh1ImpKey();
    panel.ApplyRunKey();
    EXPECT_EQ(panel.running, kTrue);
    EXPECT_EQ(Display(), "0 ");
    EXPECT_EQ(panel.displayCode, 0);
    EXPECT_EQ(panel.view.shpRunning.BackColor, kLampLit);
    EXPECT_EQ(panel.view.shpStopping.BackColor, kLampOff);
    EXPECT_EQ(panel.view.shpMoveLight.BackColor, kLampOff);
    EXPECT_FALSE(panel.view.lblFreqUnit.Visible);
    EXPECT_EQ(panel.lastKey, 9);
    panel.view.txtDisplay.SetText("10.000000000 ");  // a reading
    Tick(40);
    EXPECT_EQ(Display(), "10.000000000 ");  // the closed menu does not time out
}

struct SpeedCase {
    const char* name;
    Action apply;
    int16_t gateTimeIndex;
    kt::Lamp kt::PanelView::*lamp;
    int16_t keyNumber;
    const char* gateText;
};
void PrintTo(const SpeedCase& c, std::ostream* os) { *os << c.name; }

class SpeedKeys : public KeyAction, public ::testing::WithParamInterface<SpeedCase> {};

TEST_P(SpeedKeys, SetTheGateTimeSilentlyAndLightOnlyTheirLamp) {
    const SpeedCase& c = GetParam();
    panel.ApplyArmKey();
    panel.ApplyArmKey();  // gate 400 ms on the display
    (panel.*c.apply)();
    EXPECT_EQ(panel.gateTimeIndex, c.gateTimeIndex);
    EXPECT_EQ(Display(), "0 ");
    EXPECT_EQ(panel.displayCode, 0);
    EXPECT_EQ(panel.menuTimeoutArmed, kFalse);
    EXPECT_EQ(panel.moveLightBlinking, kFalse);
    EXPECT_EQ(panel.lastKey, c.keyNumber);
    int lit = 0;
    for (auto lamp : {&kt::PanelView::shpSpeedHigh, &kt::PanelView::shpSpeedFast, &kt::PanelView::shpSpeedMiddle,
                      &kt::PanelView::shpSpeedLow}) {
        lit += (panel.view.*lamp).BackColor == kLampLit;
    }
    EXPECT_EQ(lit, 1);
    EXPECT_EQ((panel.view.*c.lamp).BackColor, kLampLit);
    panel.ApplyArmKey();  // first press after the speed key: shows the chosen gate
    EXPECT_EQ(Display(), c.gateText);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, SpeedKeys,
    ::testing::Values(
        SpeedCase{"High", &SoftPanel::ApplySpeedHighKey, 5, &kt::PanelView::shpSpeedHigh, 19, "GATE: 10mS        "},
        SpeedCase{"Fast", &SoftPanel::ApplySpeedFastKey, 8, &kt::PanelView::shpSpeedFast, 20, "GATE: 100mS      "},
        SpeedCase{"Middle", &SoftPanel::ApplySpeedMiddleKey, 9, &kt::PanelView::shpSpeedMiddle, 21,
                  "GATE: 400mS      "},
        SpeedCase{"Low", &SoftPanel::ApplySpeedLowKey, 11, &kt::PanelView::shpSpeedLow, 22, "GATE: 1S             "}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ mode lamps

TEST_F(KeyAction, AChangedFunctionSwitchesTheModesOffAtTheNextKeyThatRefreshes) {
    panel.LimitLampOn();
    panel.MathLampOn();
    panel.frequencyRange = 9;
    panel.ApplyFrequencyKey();
    panel.ApplyFrequencyKey();  // FREQUENCY 2: function keys do not refresh
    EXPECT_EQ(panel.limitTestOn, kTrue);
    panel.ApplySpeedLowKey();
    EXPECT_EQ(panel.limitTestOn, kFalse);
    EXPECT_EQ(panel.mathOn, kFalse);
    EXPECT_EQ(panel.view.shpLimitMode.BackColor, kLampOff);
    panel.LimitLampOn();
    panel.ApplySpeedHighKey();  // same function: left alone
    EXPECT_EQ(panel.limitTestOn, kTrue);
}

}  // namespace
