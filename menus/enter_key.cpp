#include "core/soft_panel.h"

namespace kt {

void SoftPanel::cmdEnter_Click() {}
void SoftPanel::CommitEditedValue() {}

}  // namespace kt
