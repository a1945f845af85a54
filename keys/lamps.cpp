#include "core/soft_panel.h"

namespace kt {

void SoftPanel::RefreshFunctionLamps() {}
void SoftPanel::RefreshFunctionKeyLamps() {}
void SoftPanel::ShowRunStopLamps() {}
void SoftPanel::RefreshChannelLamps() {}
void SoftPanel::RefreshSpeedLamps() {}
void SoftPanel::MoveLightOff() {}
void SoftPanel::TrigLampOff() {}
void SoftPanel::TrigLampOn() {}
void SoftPanel::LimitLampOff() {}
void SoftPanel::LimitLampOn() {}
void SoftPanel::MathLampOff() {}
void SoftPanel::MathLampOn() {}
void SoftPanel::StatsLampOff() {}
void SoftPanel::StatsLampOn() {}
void SoftPanel::RefreshModeLamps() {}
void SoftPanel::RefreshAllLamps() {}

}  // namespace kt
