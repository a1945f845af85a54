// The integer editor: a whole-number setting (trigger level, sample count)
// edited digit by digit, and its two display formats.
#pragma once

#include <cstdint>
#include <string>

namespace kt {

struct IntEditor {
    int16_t editInt = 0;          // the value being edited
    int16_t editIntLastPos = 0;   // display position of the least significant digit
    int16_t editCursor = 0;       // cursor digit, counted from the least significant (0)
    int16_t editIntDigits = 0;    // digits the cursor may reach; field width of the count
    int16_t editIntDecimals = 0;  // digits right of the decimal point in the shown text
    int16_t editIntMax = 0;
    int16_t editIntMin = 0;

    // Adds (Inc) or subtracts (Dec) one unit of the cursor digit, clamped to
    // editIntMin..editIntMax; returns the new value, also stored in v.
    int16_t IncIntDigit(int16_t& v) const;
    int16_t DecIntDigit(int16_t& v) const;
    // Zero-based display position of the cursor digit: digits left of the
    // decimal point sit one place further left, past the point.
    int16_t CursorPosition() const;
};

// The trigger level in hundredths of a volt as shown: a sign column, then the
// number with two decimals (" 1.25", "-0.50", "-0.05").
std::string FormatLevel(int16_t v);
// The sample count right-aligned in a field of digits characters, with leading
// zeros only up to the cursor digit.
std::string FormatCount(int16_t v, int16_t cursor, int16_t digits);

}  // namespace kt
