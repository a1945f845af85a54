#include "core/soft_panel.h"

namespace kt {

void SoftPanel::Form_Load() {}
void SoftPanel::cmdPower_Click() {}
void SoftPanel::PowerOn() {}
void SoftPanel::EnableFrontPanel() {}
void SoftPanel::PowerOff() {}
void SoftPanel::timPowerOn_Timer() {}
void SoftPanel::LoadPanelPictures() {}

}  // namespace kt
