// The value editor: a real-number setting (limits, math scale and offset,
// statistics reference F0) edited digit by digit in the instrument's form of
// seven (or eleven) mantissa digits, a decimal point and a metric prefix.
#pragma once

#include <cstdint>
#include <string>

namespace kt {

struct ValueEditor {
    std::string editValueText = " 00000000000";  // sign character and 11 digits
    int64_t editMantissa = 0;        // signed mantissa times 10,000 (four decimals)
    int16_t editValuePrefix = 0;     // engineering exponent: -6, -3, 0, 3, 6
    int16_t editValueDigits = 7;     // shown digits: 7 or 11
    int16_t editValueDecimals = 6;   // shown digits right of the point
    int16_t editValueCursor = 6;     // cursor digit, counted from the rightmost shown
    int16_t editValueLastPos = 13;   // display position of the rightmost shown digit

    void Load(double x);      // decomposes a stored value
    void Normalize();         // keeps the mantissa at eleven digits after a step
    double Value() const;     // the number the editor stands for
    int16_t CursorPosition() const;  // zero-based display position of the cursor digit
};

}  // namespace kt
