#include "core/soft_panel.h"

namespace kt {

void SoftPanel::cmdFrequency_Click() {}
void SoftPanel::cmdOther_Click() {}
void SoftPanel::cmdTime_Click() {}
void SoftPanel::cmdArm_Click() {}
void SoftPanel::cmdUpper_Click() {}
void SoftPanel::cmdLimitMode_Click() {}
void SoftPanel::cmdRun_Click() {}
void SoftPanel::cmdScale_Click() {}
void SoftPanel::cmdStats_Click() {}
void SoftPanel::cmdStop_Click() {}
void SoftPanel::cmdCh1Trig_Click() {}
void SoftPanel::cmdCh1Imp_Click() {}
void SoftPanel::cmdCh1Coup_Click() {}
void SoftPanel::cmdCh1Att_Click() {}
void SoftPanel::cmdCh1Filt_Click() {}
void SoftPanel::cmdSpeedHigh_Click() {}
void SoftPanel::cmdSpeedFast_Click() {}
void SoftPanel::cmdSpeedMiddle_Click() {}
void SoftPanel::cmdSpeedLow_Click() {}
void SoftPanel::ClickCodedKey(int16_t) {}

}  // namespace kt
