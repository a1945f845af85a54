#include "readings/int_editor.h"

#include <cstdio>

#include "core/int16.h"

namespace kt {

namespace {

// One unit of the cursor digit. The cursor of the level and of N never
// passes the thousands; a cursor outside 0..4 has no 16-bit power of ten and
// counts as the nearest one that has.
int32_t DigitUnit(int16_t cursor) {
    int32_t unit = 1;
    for (int16_t i = 0; i < cursor && i < 4; i = Add16(i, 1)) unit *= 10;
    return unit;
}

// The sum is formed in 32 bits and clamped before it is stored, so a step
// near the ends of the 16-bit range stops at the limit instead of wrapping
// round to the far end.
int16_t StepAndClamp(const IntEditor& e, int16_t& v, int32_t delta) {
    int32_t sum = static_cast<int32_t>(v) + delta;
    if (sum > e.editIntMax) {
        sum = e.editIntMax;
    } else if (sum < e.editIntMin) {
        sum = e.editIntMin;
    }
    v = static_cast<int16_t>(sum);
    return v;
}

}  // namespace

int16_t IntEditor::IncIntDigit(int16_t& v) const { return StepAndClamp(*this, v, DigitUnit(editCursor)); }

int16_t IntEditor::DecIntDigit(int16_t& v) const { return StepAndClamp(*this, v, -DigitUnit(editCursor)); }

int16_t IntEditor::CursorPosition() const {
    int16_t pos = Add16(editIntLastPos, -editCursor);
    if (editCursor >= editIntDecimals) pos = Add16(pos, -1);  // step over the decimal point
    return pos;
}

std::string FormatLevel(int16_t v) {
    // The quotient is formed in single precision, as the counter does; every
    // 16-bit level divided by 100 lies close enough to its exact hundredths
    // that two decimals give back those hundredths.
    const float volts = static_cast<float>(v) / 100.0f;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", static_cast<double>(volts));
    std::string s(buf);
    if (s.empty() || s[0] != '-') s.insert(s.begin(), ' ');
    return s;
}

std::string FormatCount(int16_t v, int16_t cursor, int16_t digits) {
    const bool negative = v < 0;
    const std::string magnitude = std::to_string(negative ? -static_cast<int32_t>(v) : static_cast<int32_t>(v));
    const int16_t shown = static_cast<int16_t>(magnitude.size());
    std::string s = negative ? "-" : "";
    // Zeros up to the cursor digit, so that the cursor always has a digit
    // under it; a minus sign stays in front of those zeros.
    if (cursor >= shown) s.append(static_cast<size_t>(Add16(Add16(cursor, -shown), 1)), '0');
    s += magnitude;
    // Right-aligned in the field; a number wider than the field is not cut.
    const int16_t blanks = Add16(digits, -static_cast<int16_t>(s.size()));
    if (blanks > 0) s.insert(0, static_cast<size_t>(blanks), ' ');
    return s;
}

}  // namespace kt
