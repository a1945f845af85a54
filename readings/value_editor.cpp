#include "readings/value_editor.h"

namespace kt {

void ValueEditor::Load(double) {}
void ValueEditor::Normalize() {}
double ValueEditor::Value() const { return 0.0; }
int16_t ValueEditor::CursorPosition() const { return 0; }

}  // namespace kt
