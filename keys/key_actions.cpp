#include "core/soft_panel.h"

namespace kt {

void SoftPanel::RunKeyAction(int16_t) {}
void SoftPanel::ApplyFrequencyKey() {}
void SoftPanel::ApplyTimeKey() {}
void SoftPanel::ApplyOtherKey() {}
void SoftPanel::ApplyArmKey() {}
void SoftPanel::ApplyUpperKey() {}
void SoftPanel::ApplyLimitModeKey() {}
void SoftPanel::ApplyScaleKey() {}
void SoftPanel::ApplyStatsKey() {}
void SoftPanel::ApplyRunKey() {}
void SoftPanel::ApplyStopKey() {}
void SoftPanel::ApplyCh1TrigKey() {}
void SoftPanel::ApplyCh1ImpKey() {}
void SoftPanel::ApplyCh1CoupKey() {}
void SoftPanel::ApplyCh1AttKey() {}
void SoftPanel::ApplyCh1FiltKey() {}
void SoftPanel::ApplySpeedHighKey() {}
void SoftPanel::ApplySpeedFastKey() {}
void SoftPanel::ApplySpeedMiddleKey() {}
void SoftPanel::ApplySpeedLowKey() {}

}  // namespace kt
