// The arrow keys and the step and toggle operations of the counter's menus.
// An arrow key does locally what the counter does with the menu now on its
// display (chosen by displayCode alone), then always sends its own key.
#include <array>
#include <cstddef>

#include "core/key_numbers.h"
#include "core/soft_panel.h"
#include "menus/menu_texts.h"

namespace kt {

namespace {

// Menu time-out after the last step of a timed menu: 33 ticks, 3.3 s.
constexpr int16_t kMenuTimeoutTicks = 33;

constexpr int16_t kGateTimes = static_cast<int16_t>(menus::kGateTimeTexts.size());
constexpr int16_t kStatsShowItems = static_cast<int16_t>(menus::kStatsShowTexts.size());

// The item after `item` in a menu of `count` items, wrapping from the last to
// the first; the item before it, wrapping from the first to the last.
int16_t NextItem(int16_t item, int16_t count) {
    return (item >= 0 && item + 1 < count) ? static_cast<int16_t>(item + 1) : int16_t{0};
}
int16_t PrevItem(int16_t item, int16_t count) {
    return (item > 0 && item < count) ? static_cast<int16_t>(item - 1) : static_cast<int16_t>(count - 1);
}

// The bookkeeping of a timed menu: arm the time-out, set the move light blinking.
void ArmMenuTimeout(SoftPanel& p) {
    p.menuTimeoutArmed = kTrue;
    p.menuTimeoutTick = Add16(p.tickCount, kMenuTimeoutTicks);
    p.moveLightBlinking = kTrue;
}

// A step of a function menu (frequency/ratio, period). Forward advances only
// when this is not the first press of the menu; back always moves. Either
// way the item is then moved off an item the model does not offer.
void StepFunctionMenu(SoftPanel& p, int16_t& item, int16_t count, bool forward, void (SoftPanel::*show)(),
                      int16_t functionBase) {
    if (forward) {
        if (p.menuFirstPress == kFalse) item = NextItem(item, count);
    } else {
        item = PrevItem(item, count);
    }
    p.menuFirstPress = kFalse;
    ArmMenuTimeout(p);
    if (forward) {
        p.SkipUnofferedItemForward();
    } else {
        p.SkipUnofferedItemBack();
    }
    (p.*show)();
    p.measFunction = static_cast<int16_t>(item + functionBase);
    p.RefreshFunctionLamps();
}

// The other-function menu has one item: a step only shows it again.
void StepOtherFuncMenu(SoftPanel& p) {
    p.menuFirstPress = kFalse;
    ArmMenuTimeout(p);
    p.ShowOtherFuncItem();
    p.measFunction = static_cast<int16_t>(p.otherFuncItem + function::kFreqCheck);
    p.RefreshFunctionLamps();
}

// A channel 1 toggle: the setting flips on every press, the first included.
void ToggleChannelSetting(SoftPanel& p, Flag& setting, void (SoftPanel::*show)()) {
    setting = Invert(setting);
    ArmMenuTimeout(p);
    (p.*show)();
}

// Applies one row of a skip map to a menu item; an item outside the map is left.
template <std::size_t N>
int16_t Skip(const std::array<int16_t, N>& map, int16_t item) {
    if (item < 0 || static_cast<std::size_t>(item) >= N) return item;
    return map[static_cast<std::size_t>(item)];
}

// ------------------------------------------------------------ arrow keys

// The integer editor's display after a change: the level or the count text.
void RedrawIntEditor(SoftPanel& p) {
    if (p.displayCode == display::kTrigLevelEditor) {
        p.ShowLevelText();
    } else {
        p.ShowCountText();
    }
}
void IntDigitUp(SoftPanel& p) {
    p.IncIntDigit(p.intEditor.editInt);
    RedrawIntEditor(p);
}
void IntDigitDown(SoftPanel& p) {
    p.DecIntDigit(p.intEditor.editInt);
    RedrawIntEditor(p);
}
void IntCursorLeft(SoftPanel& p) {
    p.MoveEditCursorLeft();
    RedrawIntEditor(p);
}
void IntCursorRight(SoftPanel& p) {
    p.MoveEditCursorRight();
    RedrawIntEditor(p);
}

template <void (SoftPanel::*Op)()>
void Call(SoftPanel& p) {
    (p.*Op)();
}

using ArrowAction = void (*)(SoftPanel&);

// What each arrow key does in the menu with the row's display code, in the
// order Up, Down, Left, Right. Up and Right step forward, Down and Left back.
struct ArrowRow {
    int16_t code;
    std::array<ArrowAction, 4> action;
};

enum Arrow : std::size_t { kUp, kDown, kLeft, kRight };

template <void (SoftPanel::*Forward)(), void (SoftPanel::*Back)()>
constexpr std::array<ArrowAction, 4> Stepping() {
    return {&Call<Forward>, &Call<Back>, &Call<Back>, &Call<Forward>};
}
template <void (SoftPanel::*Op)()>
constexpr std::array<ArrowAction, 4> AllKeys() {
    return {&Call<Op>, &Call<Op>, &Call<Op>, &Call<Op>};
}
constexpr std::array<ArrowAction, 4> kIntEditorKeys{&IntDigitUp, &IntDigitDown, &IntCursorLeft, &IntCursorRight};
constexpr std::array<ArrowAction, 4> kValueEditorKeys{&Call<&SoftPanel::IncValueDigit>,
                                                      &Call<&SoftPanel::DecValueDigit>,
                                                      &Call<&SoftPanel::ValueCursorLeft>,
                                                      &Call<&SoftPanel::ValueCursorRight>};

constexpr ArrowRow kArrowTable[] = {
    {display::kFreqFuncMenu, Stepping<&SoftPanel::StepFreqFuncForward, &SoftPanel::StepFreqFuncBack>()},
    {display::kPeriodFuncMenu, Stepping<&SoftPanel::StepPeriodFuncForward, &SoftPanel::StepPeriodFuncBack>()},
    {display::kOtherFuncMenu, Stepping<&SoftPanel::StepOtherFuncForward, &SoftPanel::StepOtherFuncBack>()},
    {display::kGateTimeMenu, Stepping<&SoftPanel::StepGateForward, &SoftPanel::StepGateBack>()},
    {display::kCh1ImpedanceMenu, AllKeys<&SoftPanel::ToggleCh1Impedance>()},
    {display::kCh1CouplingMenu, AllKeys<&SoftPanel::ToggleCh1Coupling>()},
    {display::kCh1AttenuatorMenu, AllKeys<&SoftPanel::ToggleCh1Attenuation>()},
    {display::kCh1FilterMenu, AllKeys<&SoftPanel::ToggleCh1Filter>()},
    {display::kTrigLevelEditor, kIntEditorKeys},
    {display::kTrigSlopeMenu, AllKeys<&SoftPanel::ToggleTrigSlope>()},
    {display::kUpperLimitEditor, kValueEditorKeys},
    {display::kLowerLimitEditor, kValueEditorKeys},
    {display::kLimitTestMenu, AllKeys<&SoftPanel::ToggleLimitTest>()},
    {display::kOnFailMenu, AllKeys<&SoftPanel::ToggleOnFail>()},
    {display::kMathScaleEditor, kValueEditorKeys},
    {display::kMathOffsetEditor, kValueEditorKeys},
    {display::kMathOnOffMenu, AllKeys<&SoftPanel::ToggleMath>()},
    {display::kStatsShowMenu, AllKeys<&SoftPanel::StepStatsShow>()},
    {display::kStatsF0Editor, kValueEditorKeys},
    {display::kStatsCountEditor, kIntEditorKeys},
    {display::kStatsOnOffMenu, AllKeys<&SoftPanel::ToggleStats>()},
    {display::kMenuMessage, AllKeys<&SoftPanel::DismissMessage>()},
    // Codes without a row (readings and the free codes) do nothing locally.
};

// The counter's key numbers of the arrow keys, by Arrow.
constexpr std::array<int16_t, 4> kArrowKeyNumbers{KeyNumberOf("cmdUp"), KeyNumberOf("cmdDown"), KeyNumberOf("cmdLeft"),
                                                  KeyNumberOf("cmdRight")};

void PressArrow(SoftPanel& p, Arrow key) {
    for (const ArrowRow& row : kArrowTable) {
        if (row.code == p.displayCode) {
            row.action[key](p);
            break;
        }
    }
    p.SendCommand(KeyPressCommand(kArrowKeyNumbers[key]));
}

}  // namespace

void SoftPanel::cmdUp_Click() { PressArrow(*this, kUp); }
void SoftPanel::cmdDown_Click() { PressArrow(*this, kDown); }
void SoftPanel::cmdLeft_Click() { PressArrow(*this, kLeft); }
void SoftPanel::cmdRight_Click() { PressArrow(*this, kRight); }

// --------------------------------------------------------- function menus

void SoftPanel::StepFreqFuncForward() {
    StepFunctionMenu(*this, freqFuncItem, menus::kFreqFuncItems, true, &SoftPanel::ShowFreqFuncItem, function::kFrequency1);
}
void SoftPanel::StepFreqFuncBack() {
    StepFunctionMenu(*this, freqFuncItem, menus::kFreqFuncItems, false, &SoftPanel::ShowFreqFuncItem, function::kFrequency1);
}
void SoftPanel::StepPeriodFuncForward() {
    StepFunctionMenu(*this, periodFuncItem, menus::kPeriodFuncItems, true, &SoftPanel::ShowPeriodFuncItem,
                     function::kFirstPeriod);
}
void SoftPanel::StepPeriodFuncBack() {
    StepFunctionMenu(*this, periodFuncItem, menus::kPeriodFuncItems, false, &SoftPanel::ShowPeriodFuncItem,
                     function::kFirstPeriod);
}
void SoftPanel::StepOtherFuncForward() { StepOtherFuncMenu(*this); }
void SoftPanel::StepOtherFuncBack() { StepOtherFuncMenu(*this); }

// ---------------------------------------------------------- gate time

void SoftPanel::StepGateForward() {
    if (menuFirstPress == kFalse) gateTimeIndex = NextItem(gateTimeIndex, kGateTimes);
    menuFirstPress = kFalse;
    ArmMenuTimeout(*this);
    ShowGateTime();
}
void SoftPanel::StepGateBack() {
    gateTimeIndex = PrevItem(gateTimeIndex, kGateTimes);
    menuFirstPress = kFalse;
    ArmMenuTimeout(*this);
    ShowGateTime();
}

// ------------------------------------------------------ channel 1 toggles

void SoftPanel::ToggleCh1Impedance() { ToggleChannelSetting(*this, ch1Imp50Ohm, &SoftPanel::ShowCh1Impedance); }
void SoftPanel::ToggleCh1Coupling() { ToggleChannelSetting(*this, ch1CouplingDC, &SoftPanel::ShowCh1Coupling); }
void SoftPanel::ToggleCh1Attenuation() { ToggleChannelSetting(*this, ch1AttenX10, &SoftPanel::ShowCh1Attenuation); }
void SoftPanel::ToggleCh1Filter() { ToggleChannelSetting(*this, ch1LowPassFilter, &SoftPanel::ShowCh1Filter); }

// ------------------------------------------------ untimed menus' switches

void SoftPanel::ToggleTrigSlope() {
    trigSlopeNeg = Invert(trigSlopeNeg);
    ShowTriggerMenu();
}

void SoftPanel::ToggleLimitTest() {
    limitTestOn = Invert(limitTestOn);
    ShowLimitModeMenu();
}

// Choosing what a failed limit test does also switches the limit test on.
void SoftPanel::ToggleOnFail() {
    stopOnLimitFail = Invert(stopOnLimitFail);
    ShowLimitModeMenu();
    LimitLampOn();
}

void SoftPanel::ToggleMath() {
    mathOn = Invert(mathOn);
    ShowMathMenu();
}

// Choosing what statistics show also switches statistics on.
void SoftPanel::StepStatsShow() {
    statsShowItem = NextItem(statsShowItem, kStatsShowItems);
    ShowStatsMenu();
    StatsLampOn();
}

void SoftPanel::ToggleStats() {
    statsOn = Invert(statsOn);
    ShowStatsMenu();
}

// ---------------------------------------------------- integer editor cursor

// Towards the more significant digits, never past the editor's last digit.
void SoftPanel::MoveEditCursorLeft() {
    if (intEditor.editCursor + 1 < intEditor.editIntDigits) ++intEditor.editCursor;
}

// Towards the least significant digit, never past it.
void SoftPanel::MoveEditCursorRight() {
    if (intEditor.editCursor > 0) --intEditor.editCursor;
}

// ------------------------------------------------ items the model lacks

void SoftPanel::SkipUnofferedItemForward() {
    const menus::OfferRow& row = menus::OfferRowFor(frequencyRange);
    if (displayCode == display::kFreqFuncMenu) {
        // Past item 6 the frequency/ratio menu wraps to item 0.
        freqFuncItem = static_cast<int16_t>(Skip(row.freqForward, freqFuncItem) % menus::kFreqFuncItems);
    } else if (displayCode == display::kPeriodFuncMenu) {
        periodFuncItem = Skip(row.periodForward, periodFuncItem);
    }
}

void SoftPanel::SkipUnofferedItemBack() {
    const menus::OfferRow& row = menus::OfferRowFor(frequencyRange);
    if (displayCode == display::kFreqFuncMenu) {
        freqFuncItem = Skip(row.freqBack, freqFuncItem);
    } else if (displayCode == display::kPeriodFuncMenu) {
        periodFuncItem = Skip(row.periodBack, periodFuncItem);
    }
}

// --------------------------------------------------------------- messages

void SoftPanel::DismissMessage() {
    deferArmed = kFalse;  // drops the pending clearing or deferred key action
    ReturnToReadings();
}

void SoftPanel::ReturnToReadings() {
    view.txtDisplay.SetText("0 ");
    menuFirstPress = kTrue;
    displayCode = display::kReadings;
}

}  // namespace kt
