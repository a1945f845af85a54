#include "core/soft_panel.h"

namespace kt {

void SoftPanel::ShowReading() {}

}  // namespace kt
