#include "readings/int_editor.h"

namespace kt {

int16_t IntEditor::IncIntDigit(int16_t& v) const { return v; }
int16_t IntEditor::DecIntDigit(int16_t& v) const { return v; }
int16_t IntEditor::CursorPosition() const { return 0; }
std::string FormatLevel(int16_t) { return {}; }
std::string FormatCount(int16_t, int16_t, int16_t) { return {}; }

}  // namespace kt
