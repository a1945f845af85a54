#include "core/soft_panel.h"

namespace kt {

void SoftPanel::LoadValueEditor(double) {}
void SoftPanel::NormalizeValueEditor() {}
void SoftPanel::ShowValueCursor() {}
double SoftPanel::EditedValue() const { return 0.0; }
void SoftPanel::ShowEditedValue() {}
int16_t SoftPanel::IncIntDigit(int16_t&) { return 0; }
int16_t SoftPanel::DecIntDigit(int16_t&) { return 0; }
void SoftPanel::IncValueDigit() {}
void SoftPanel::DecValueDigit() {}
void SoftPanel::ToggleValueSign() {}
void SoftPanel::ValueCursorLeft() {}
void SoftPanel::ValueCursorRight() {}
void SoftPanel::cmdSign_Click() {}
void SoftPanel::ShowEditCursor() {}
void SoftPanel::ShowLevelText() {}
void SoftPanel::ShowCountText() {}

}  // namespace kt
