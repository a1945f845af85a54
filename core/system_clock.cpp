#include "core/soft_panel.h"

namespace kt {

void SoftPanel::timSystemClk_Timer() {}

}  // namespace kt
