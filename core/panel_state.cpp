#include "core/soft_panel.h"

namespace kt {

// At program start every variable is 0, false or empty (the power-on state
// value-initialised, the other members' initialisers); the power-on values
// come with the first PowerOn. The panel listens to the serial control's
// receive and fault events from the start.
SoftPanel::SoftPanel(SerialControl& serial) : PanelPowerOnState{}, mscSoftPanel(serial) {
    mscSoftPanel.OnComm = [this] { mscSoftPanel_OnComm(); };
    mscSoftPanel.OnFault = [this](SerialFault fault, const std::string& text) { mscSoftPanel_OnFault(fault, text); };
}

// The tick counter, the two deadlines' ticks, a pending deferred action, the
// frequency range, the serial settings and the editors are kept, and no
// element of the window is touched.
void SoftPanel::ResetPanelState() { static_cast<PanelPowerOnState&>(*this) = kPowerOnState; }

}  // namespace kt
