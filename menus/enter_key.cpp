// The Enter key: confirms what the display shows, as the counter's own Enter
// does, then always sends its key.
#include "core/key_numbers.h"
#include "core/soft_panel.h"

namespace kt {

namespace {

// Enter in a function or gate-time menu: the menu closes and the counter runs.
void CloseMenuAndRun(SoftPanel& p) {
    p.ReturnToReadings();
    p.MoveLightOff();
    p.TrigLampOff();
    p.running = kTrue;
    p.menuTimeoutArmed = kFalse;
    p.ShowRunStopLamps();
    p.RefreshModeLamps();
}

// Stores the integer editor's value; the item stays on the display with the
// cursor back on the least significant digit.
void CommitEditedInt(SoftPanel& p, int16_t& setting) {
    p.entryUnconfirmed = kFalse;
    setting = p.intEditor.editInt;
    p.intEditor.editCursor = 0;
}

}  // namespace

void SoftPanel::cmdEnter_Click() {
    switch (displayCode) {
    case display::kFreqFuncMenu:
    case display::kPeriodFuncMenu:
    case display::kOtherFuncMenu:
    case display::kGateTimeMenu:
        CloseMenuAndRun(*this);
        break;
    case display::kTrigLevelEditor:
        CommitEditedInt(*this, trigLevel);
        ShowLevelText();
        break;
    case display::kUpperLimitEditor:
    case display::kLowerLimitEditor:
        CommitEditedValue();
        ShowLimitValueMenu();
        break;
    case display::kMathScaleEditor:
    case display::kMathOffsetEditor:
        CommitEditedValue();
        ShowMathMenu();
        break;
    case display::kStatsF0Editor:
        CommitEditedValue();
        ShowStatsMenu();
        break;
    case display::kStatsCountEditor:  // confirming a count switches statistics on
        CommitEditedInt(*this, statsCount);
        ShowCountText();
        StatsLampOn();
        break;
    case display::kMenuMessage:
        DismissMessage();
        break;
    default:  // the arrows already changed the setting; nothing to confirm here
        break;
    }
    SendCommand(KeyPressCommand(KeyNumberOf("cmdEnter")));
}

// Stores the value editor's number into the setting the display names, and
// switches on the mode the setting belongs to.
void SoftPanel::CommitEditedValue() {
    entryUnconfirmed = kFalse;
    const double v = EditedValue();
    switch (displayCode) {
    case display::kUpperLimitEditor:
        limitUpper = v;
        LimitLampOn();
        break;
    case display::kLowerLimitEditor:
        limitLower = v;
        LimitLampOn();
        break;
    case display::kMathScaleEditor:
        mathScale = v;
        MathLampOn();
        break;
    case display::kMathOffsetEditor:
        mathOffset = v;
        MathLampOn();
        break;
    case display::kStatsF0Editor:
        statsF0 = v;
        StatsLampOn();
        break;
    default:
        break;
    }
}

}  // namespace kt
