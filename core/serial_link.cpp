#include "core/soft_panel.h"

namespace kt {

void SoftPanel::SetSerialDefaults() {}
void SoftPanel::ApplySerialSettings() {}
void SoftPanel::SerialMenu_Click(SerialMenu, int16_t) {}
void SoftPanel::mscSoftPanel_OnComm() {}
void SoftPanel::mscSoftPanel_OnFault(SerialFault, const std::string&) {}
void SoftPanel::Form_Unload() {}
void SoftPanel::SendCommand(const std::string&) {}

}  // namespace kt
