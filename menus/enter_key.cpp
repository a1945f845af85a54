// The Enter key: confirms what the display shows, as the counter's own Enter
// does, then always sends its key.
#include "core/soft_panel.h"

namespace kt {

namespace {

// Enter in a function or gate-time menu: the menu closes and the counter runs.
void CloseMenuAndRun(SoftPanel& p) {
    p.displayCode = 0;
    p.menuFirstPress = kTrue;
    p.MoveLightOff();
    p.TrigLampOff();
    p.running = kTrue;
    p.menuTimeoutArmed = kFalse;
    p.ShowRunStopLamps();
    p.view.txtDisplay.SetText("0 ");
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
    case 1:
    case 2:
    case 3:
    case 4:
        CloseMenuAndRun(*this);
        break;
    case 13:  // trigger level
        CommitEditedInt(*this, trigLevel);
        ShowLevelText();
        break;
    case 30:
    case 31:  // upper, lower limit
        CommitEditedValue();
        ShowLimitValueMenu();
        break;
    case 34:
    case 35:  // math scale, offset
        CommitEditedValue();
        ShowMathMenu();
        break;
    case 38:  // statistics F0
        CommitEditedValue();
        ShowStatsMenu();
        break;
    case 39:  // statistics N: confirming a count switches statistics on
        CommitEditedInt(*this, statsCount);
        ShowCountText();
        StatsLampOn();
        break;
    case 42:
        DismissMessage();
        break;
    default:  // the arrows already changed the setting; nothing to confirm here
        break;
    }
    SendCommand("SYST:KEY 30");
}

// Stores the value editor's number into the setting the display names, and
// switches on the mode the setting belongs to.
void SoftPanel::CommitEditedValue() {
    entryUnconfirmed = kFalse;
    const double v = EditedValue();
    switch (displayCode) {
    case 30:
        limitUpper = v;
        LimitLampOn();
        break;
    case 31:
        limitLower = v;
        LimitLampOn();
        break;
    case 34:
        mathScale = v;
        MathLampOn();
        break;
    case 35:
        mathOffset = v;
        MathLampOn();
        break;
    case 38:
        statsF0 = v;
        StatsLampOn();
        break;
    default:
        break;
    }
}

}  // namespace kt
