#include "core/held_line.h"

#include "core/soft_panel.h"

namespace kt {

std::string HeldLineText(const std::string& device, int waiting) {
    return "The counter has paused the line (XOFF) on " + device + "; " + std::to_string(waiting) +
           (waiting == 1 ? " command" : " commands") + " waiting. They go out in order when it sends XON.";
}

// Runs on every tick of the system clock. The port's own handshaking decides,
// not the menu's variable: the port keeps the pacing it was opened with.
// Only the watch's own text is ever cleared: a fault reported on the message
// line since then stays.
void SoftPanel::WatchHeldLine() {
    const int waiting =
        mscSoftPanel.Handshaking() == 1 && mscSoftPanel.PortOpen() ? mscSoftPanel.CommandsWaiting() : 0;
    if (waiting > 0) {
        if (heldLine.ticksWaiting < HeldLine::kReportAfterTicks) heldLine.ticksWaiting = Add16(heldLine.ticksWaiting, 1);
    } else {
        heldLine.ticksWaiting = 0;
    }

    const bool ours = !heldLine.shown.empty() && view.lblMessage.Caption == heldLine.shown;
    if (!ours) heldLine.shown.clear();
    if (heldLine.ticksWaiting >= HeldLine::kReportAfterTicks) {
        heldLine.shown = HeldLineText(mscSoftPanel.DeviceName(), waiting);
        view.lblMessage.Caption = heldLine.shown;
        view.lblMessage.Visible = true;
    } else if (ours) {
        heldLine.shown.clear();
        view.lblMessage.Caption.clear();
    }
}

}  // namespace kt
