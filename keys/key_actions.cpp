// The local action of each coded key: what the counter does when the key is
// pressed, imitated on the panel's mirror (menu positions, display text, lamps,
// menu time-out and move light). The key's command is sent by its click
// procedure, not here.
//
// Two ways a key remembers itself in lastKey (the key number of the last key):
// - first-press marking, for the menus the navigation steps: a press of a key
//   other than the last one marks menuFirstPress, so the step only shows the
//   current item; a repeated press advances it;
// - repeat stepping, for the mode menus and the trigger menu: a repeated press
//   advances the menu item here, a first press only shows it.
#include "core/soft_panel.h"
#include "keys/key_table.h"

namespace kt {

namespace {

constexpr int kMessageTicks = 12;        // a "NO ... MENU" message stays 1.2 s

using Procedure = void (SoftPanel::*)();

void MarkFirstPress(SoftPanel& p, KeyAction key) {
    const int16_t number = KeyNumberOf(key);
    if (p.lastKey != number) {
        p.menuFirstPress = kTrue;
        p.lastKey = number;
    }
}

// True when the key was pressed again and its menu item should advance.
// menuFirstPress is left for the caller, which always clears it.
bool IsRepeatedPress(SoftPanel& p, KeyAction key) {
    const int16_t number = KeyNumberOf(key);
    if (p.lastKey != number) {
        p.lastKey = number;
        return false;
    }
    return p.menuFirstPress == kFalse;
}

// A key whose menu the current function lacks: leaves any menu (no time-out,
// move light dark, trigger lamp off) and shows a "NO ... MENU" message that
// clears itself after 1.2 s.
void ShowNoMenuMessage(SoftPanel& p, int16_t messageIndex) {
    p.TrigLampOff();
    p.menuFirstPress = kTrue;
    p.menuTimeoutArmed = kFalse;
    p.MoveLightOff();
    p.deferArmed = kTrue;
    p.deferTick = Add16(p.tickCount, kMessageTicks);
    // The deferral only clears the message; never a key action.
    p.deferIsKey = kFalse;
    p.ShowMenuMessage(messageIndex);
}

// Frequency, time/period and other-measurement keys.
struct FunctionKey {
    KeyAction key;
    int16_t displayCode;
    Procedure step;
};

void RunFunctionKey(SoftPanel& p, const FunctionKey& k) {
    p.deferArmed = kFalse;
    p.displayCode = k.displayCode;
    MarkFirstPress(p, k.key);
    (p.*k.step)();
    p.RefreshFunctionKeyLamps();
    p.TrigLampOff();
}

// The four channel 1 input keys: each toggles its setting on every press.
struct ChannelKey {
    KeyAction key;
    int16_t displayCode;
    Procedure toggle;
};

void RunChannelKey(SoftPanel& p, const ChannelKey& k) {
    p.deferArmed = kFalse;
    p.RefreshModeLamps();
    p.displayCode = k.displayCode;
    MarkFirstPress(p, k.key);
    (p.*k.toggle)();
    p.TrigLampOff();
}

// Limit value, limit mode, math and statistics keys. Their menus exist only
// for the frequency functions of channel 1 to 3 and RATIO 1 TO 2, and they do
// not time out.
struct ModeMenuKey {
    KeyAction key;
    int16_t SoftPanel::*item;
    int16_t itemCount;
    Procedure show;
    int16_t noMenuMessage;
};

void RunModeMenuKey(SoftPanel& p, const ModeMenuKey& k) {
    p.deferArmed = kFalse;
    p.RefreshModeLamps();
    if (p.measFunction > function::kRatio1To2) {
        ShowNoMenuMessage(p, k.noMenuMessage);
        return;
    }
    if (IsRepeatedPress(p, k.key)) {
        p.*k.item = static_cast<int16_t>(Add16(p.*k.item, 1) % k.itemCount);
    }
    p.menuFirstPress = kFalse;
    p.menuTimeoutArmed = kFalse;
    p.moveLightBlinking = kTrue;
    (p.*k.show)();
    p.TrigLampOff();
}

// Run and stop: leave any menu and let the readings show.
void RunRunStopKey(SoftPanel& p, KeyAction key, Flag run) {
    p.deferArmed = kFalse;
    p.displayCode = display::kReadings;
    MarkFirstPress(p, key);
    p.MoveLightOff();
    p.TrigLampOff();
    p.running = run;
    p.menuTimeoutArmed = kFalse;
    p.ShowRunStopLamps();
    p.HideUnitLabels();
    if (run != kFalse) p.view.txtDisplay.SetText("0 ");
    p.RefreshModeLamps();
}

// The four speed keys choose a gate time without showing a menu.
struct SpeedKey {
    KeyAction key;
    int16_t gateTimeIndex;
};

void RunSpeedKey(SoftPanel& p, const SpeedKey& k) {
    p.deferArmed = kFalse;
    p.displayCode = display::kReadings;
    MarkFirstPress(p, k.key);
    p.gateTimeIndex = k.gateTimeIndex;
    p.RefreshSpeedLamps();
    p.MoveLightOff();
    p.TrigLampOff();
    p.menuTimeoutArmed = kFalse;
    p.HideUnitLabels();
    p.view.txtDisplay.SetText("0 ");
    p.RefreshModeLamps();
}

constexpr FunctionKey kFrequencyKey{KeyAction::Frequency, display::kFreqFuncMenu, &SoftPanel::StepFreqFuncForward};
constexpr FunctionKey kTimeKey{KeyAction::Time, display::kPeriodFuncMenu, &SoftPanel::StepPeriodFuncForward};
constexpr FunctionKey kOtherKey{KeyAction::Other, display::kOtherFuncMenu, &SoftPanel::StepOtherFuncForward};

constexpr ChannelKey kCh1ImpKey{KeyAction::Ch1Imp, display::kCh1ImpedanceMenu, &SoftPanel::ToggleCh1Impedance};
constexpr ChannelKey kCh1CoupKey{KeyAction::Ch1Coup, display::kCh1CouplingMenu, &SoftPanel::ToggleCh1Coupling};
constexpr ChannelKey kCh1AttKey{KeyAction::Ch1Att, display::kCh1AttenuatorMenu, &SoftPanel::ToggleCh1Attenuation};
constexpr ChannelKey kCh1FiltKey{KeyAction::Ch1Filt, display::kCh1FilterMenu, &SoftPanel::ToggleCh1Filter};

constexpr ModeMenuKey kUpperKey{KeyAction::Upper, &SoftPanel::limitValueItem, 2, &SoftPanel::ShowLimitValueMenu,
                                message::kNoLimMenu};
constexpr ModeMenuKey kLimitModeKey{KeyAction::LimitMode, &SoftPanel::limitModeItem, 2, &SoftPanel::ShowLimitModeMenu,
                                    message::kNoLimMenu};
constexpr ModeMenuKey kScaleKey{KeyAction::Scale, &SoftPanel::mathMenuItem, 3, &SoftPanel::ShowMathMenu,
                                message::kNoMathMenu};
constexpr ModeMenuKey kStatsKey{KeyAction::Stats, &SoftPanel::statsMenuItem, 4, &SoftPanel::ShowStatsMenu,
                                message::kNoStatMenu};

constexpr SpeedKey kSpeedHighKey{KeyAction::SpeedHigh, gate::k10ms};
constexpr SpeedKey kSpeedFastKey{KeyAction::SpeedFast, gate::k100ms};
constexpr SpeedKey kSpeedMiddleKey{KeyAction::SpeedMiddle, gate::k400ms};
constexpr SpeedKey kSpeedLowKey{KeyAction::SpeedLow, gate::k1s};

}  // namespace

void SoftPanel::RunKeyAction(int16_t code) {
    const CodedKey* key = FindCodedKey(code);
    if (key != nullptr) (this->*key->action)();
}

void SoftPanel::ApplyFrequencyKey() { RunFunctionKey(*this, kFrequencyKey); }
void SoftPanel::ApplyTimeKey() { RunFunctionKey(*this, kTimeKey); }
void SoftPanel::ApplyOtherKey() { RunFunctionKey(*this, kOtherKey); }

// The gate-time key opens the gate-time menu, which times out like the
// function menus.
void SoftPanel::ApplyArmKey() {
    deferArmed = kFalse;
    RefreshModeLamps();
    displayCode = display::kGateTimeMenu;
    MarkFirstPress(*this, KeyAction::Arm);
    StepGateForward();
    RefreshSpeedLamps();
    TrigLampOff();
}

void SoftPanel::ApplyUpperKey() { RunModeMenuKey(*this, kUpperKey); }
void SoftPanel::ApplyLimitModeKey() { RunModeMenuKey(*this, kLimitModeKey); }
void SoftPanel::ApplyScaleKey() { RunModeMenuKey(*this, kScaleKey); }
void SoftPanel::ApplyStatsKey() { RunModeMenuKey(*this, kStatsKey); }

void SoftPanel::ApplyRunKey() { RunRunStopKey(*this, KeyAction::Run, kTrue); }
void SoftPanel::ApplyStopKey() { RunRunStopKey(*this, KeyAction::Stop, kFalse); }

// The trigger key: the trigger menu (level, slope) exists for every function
// but FREQ CHECK. Unlike the mode menus the press is remembered even when
// there is no menu, and the item is reduced to 0..1 only when it is shown.
void SoftPanel::ApplyCh1TrigKey() {
    deferArmed = kFalse;
    RefreshModeLamps();
    if (IsRepeatedPress(*this, KeyAction::Ch1Trig)) trigMenuItem = Add16(trigMenuItem, 1);
    menuFirstPress = kFalse;
    menuTimeoutArmed = kFalse;
    if (measFunction == function::kFreqCheck) {
        ShowNoMenuMessage(*this, message::kNoTrigMenu);
        return;
    }
    moveLightBlinking = kTrue;
    trigMenuItem = static_cast<int16_t>(trigMenuItem % 2);
    TrigLampOn();
    ShowTriggerMenu();
}

void SoftPanel::ApplyCh1ImpKey() { RunChannelKey(*this, kCh1ImpKey); }
void SoftPanel::ApplyCh1CoupKey() { RunChannelKey(*this, kCh1CoupKey); }
void SoftPanel::ApplyCh1AttKey() { RunChannelKey(*this, kCh1AttKey); }
void SoftPanel::ApplyCh1FiltKey() { RunChannelKey(*this, kCh1FiltKey); }

void SoftPanel::ApplySpeedHighKey() { RunSpeedKey(*this, kSpeedHighKey); }
void SoftPanel::ApplySpeedFastKey() { RunSpeedKey(*this, kSpeedFastKey); }
void SoftPanel::ApplySpeedMiddleKey() { RunSpeedKey(*this, kSpeedMiddleKey); }
void SoftPanel::ApplySpeedLowKey() { RunSpeedKey(*this, kSpeedLowKey); }

}  // namespace kt
