#include "core/soft_panel.h"

namespace kt {

void SoftPanel::HideUnitLabels() {}
void SoftPanel::ShowFreqFuncItem() {}
void SoftPanel::ShowPeriodFuncItem() {}
void SoftPanel::ShowOtherFuncItem() {}
void SoftPanel::ShowGateTime() {}
void SoftPanel::ShowCh1Impedance() {}
void SoftPanel::ShowCh1Coupling() {}
void SoftPanel::ShowCh1Attenuation() {}
void SoftPanel::ShowCh1Filter() {}
void SoftPanel::ShowTriggerMenu() {}
void SoftPanel::ShowLimitValueMenu() {}
void SoftPanel::ShowLimitModeMenu() {}
void SoftPanel::ShowMathMenu() {}
void SoftPanel::ShowStatsMenu() {}
void SoftPanel::ShowMenuMessage(int16_t) {}

}  // namespace kt
