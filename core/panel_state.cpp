#include "core/soft_panel.h"

namespace kt {

SoftPanel::SoftPanel(SerialControl& serial) : mscSoftPanel(serial) {}

void SoftPanel::ResetPanelState() {}

}  // namespace kt
