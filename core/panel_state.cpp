#include "core/soft_panel.h"

namespace kt {

// At program start every variable is 0, false or empty (the member
// initialisers); the power-on values come with the first PowerOn. The panel
// listens to the serial control's receive and fault events from the start.
SoftPanel::SoftPanel(SerialControl& serial) : mscSoftPanel(serial) {
    mscSoftPanel.OnComm = [this] { mscSoftPanel_OnComm(); };
    mscSoftPanel.OnFault = [this](SerialFault fault, const std::string& text) { mscSoftPanel_OnFault(fault, text); };
}

// The power-on values of the shared state and of the mirror of the counter's
// settings. The tick counter, the two deadlines' ticks, a pending deferred
// action, the frequency range, the serial settings and the editors are kept,
// and no element of the window is touched.
void SoftPanel::ResetPanelState() {
    // Timing and display state
    menuTimeoutArmed = kFalse;
    deferIsKey = kFalse;
    deferKeyCode = 0;
    entryUnconfirmed = kFalse;
    moveLightBlinking = kFalse;
    displayCode = display::kReadings;
    menuFirstPress = kTrue;
    running = kFalse;
    stopOnLimitFail = kFalse;
    lastFunction = 0;

    // Mirror of the counter's settings and menu positions
    measFunction = 0;
    freqFuncItem = 0;
    periodFuncItem = 0;
    otherFuncItem = 0;
    gateTimeIndex = gate::k100ms;
    trigMenuItem = 0;
    limitValueItem = 0;
    limitModeItem = 0;
    mathMenuItem = 0;
    statsMenuItem = 0;
    ch1Imp50Ohm = kFalse;
    ch1CouplingDC = kFalse;
    ch1AttenX10 = kFalse;
    ch1LowPassFilter = kFalse;
    trigSlopeNeg = kFalse;
    trigLevel = 0;
    limitTestOn = kFalse;
    mathOn = kFalse;
    statsOn = kFalse;
    statsShowItem = 0;
    statsCount = 10;
    limitUpper = 0.0;
    limitLower = 0.0;
    mathScale = 1.0;
    mathOffset = 0.0;
    statsF0 = 10000000.0;
    lastKey = 0;
}

}  // namespace kt
