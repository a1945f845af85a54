#include "core/soft_panel.h"

namespace kt {

void SoftPanel::cmdUp_Click() {}
void SoftPanel::cmdDown_Click() {}
void SoftPanel::cmdLeft_Click() {}
void SoftPanel::cmdRight_Click() {}
void SoftPanel::StepFreqFuncForward() {}
void SoftPanel::StepFreqFuncBack() {}
void SoftPanel::StepPeriodFuncForward() {}
void SoftPanel::StepPeriodFuncBack() {}
void SoftPanel::StepOtherFuncForward() {}
void SoftPanel::StepOtherFuncBack() {}
void SoftPanel::StepGateForward() {}
void SoftPanel::StepGateBack() {}
void SoftPanel::ToggleCh1Impedance() {}
void SoftPanel::ToggleCh1Coupling() {}
void SoftPanel::ToggleCh1Attenuation() {}
void SoftPanel::ToggleCh1Filter() {}
void SoftPanel::ToggleTrigSlope() {}
void SoftPanel::ToggleLimitTest() {}
void SoftPanel::ToggleOnFail() {}
void SoftPanel::ToggleMath() {}
void SoftPanel::StepStatsShow() {}
void SoftPanel::ToggleStats() {}
void SoftPanel::MoveEditCursorLeft() {}
void SoftPanel::MoveEditCursorRight() {}
void SoftPanel::SkipUnofferedItemForward() {}
void SoftPanel::SkipUnofferedItemBack() {}
void SoftPanel::DismissMessage() {}

}  // namespace kt
