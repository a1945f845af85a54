// The value editor: a real-number setting (limits, math scale and offset,
// statistics reference F0) edited digit by digit in the instrument's form of
// seven (or eleven) mantissa digits, a decimal point and a metric prefix.
//
// The number it stands for is the mantissa times
// 10^(editValuePrefix - editValueDecimals - k), k = 4 while seven digits are
// shown (the mantissa carries four hidden digits) and 0 while eleven are.
#pragma once

#include <cstdint>
#include <string>

namespace kt {

// The mantissa is a fixed-point number with four decimals: the number times
// 10,000 in a 64-bit integer.
constexpr int64_t kMantissaUnit = 10000;
// The largest shown mantissa at the top of the range: 9999999 M with four
// hidden zeros.
constexpr int64_t kMantissaCap = 99999990000LL * kMantissaUnit;

// A number as the scientific form with one integer digit and ten decimals
// shows it: sign, the eleven digits, and the exponent of ten of the first.
struct ScientificDigits {
    bool negative = false;
    std::string digits = "00000000000";  // 11 digits, most significant first
    int16_t exponent = 0;
};

// Splits a finite number into eleven significant digits, rounded half away
// from zero from its shortest decimal form of up to fifteen significant
// digits; a carry out of the first digit raises the exponent (9.99999999999
// gives 1.0000000000 and exponent 1). Zero gives eleven zeros and exponent 0.
ScientificDigits SplitScientific(double x);
// The same as text: "1.2345678900E+06", "-5.0000000000E-03".
std::string FormatScientific(double x);
// A fixed-point magnitude rounded half away from zero to a whole number and
// shown with eleven digits, leading zeros included.
std::string FormatWhole11(int64_t magnitude);
// A fixed-point magnitude divided by ten, the fifth decimal rounded half to
// even.
int64_t DivideByTen(int64_t magnitude);

struct ValueEditor {
    std::string editValueText = " 00000000000";  // sign character and 11 digits
    int64_t editMantissa = 0;        // signed mantissa times 10,000 (four decimals)
    int16_t editValuePrefix = 0;     // engineering exponent: -6, -3, 0, 3, 6
    int16_t editValueDigits = 7;     // shown digits: 7 or 11
    int16_t editValueDecimals = 6;   // shown digits right of the point
    int16_t editValueCursor = 6;     // cursor digit, counted from the rightmost shown
    int16_t editValueLastPos = 13;   // display position of the rightmost shown digit

    void Load(double x);      // decomposes a stored value
    // NormalizeValueEditor: keeps the mantissa at eleven digits after a digit
    // step; IncDigit and DecDigit call it.
    void Normalize();
    double Value() const;     // the number the editor stands for
    int16_t CursorPosition() const;  // zero-based display position of the cursor digit

    // Up and Down: one unit of the cursor digit added or subtracted, then
    // normalised.
    void IncDigit();
    void DecDigit();
    // The sign key: negates a non-zero mantissa and its sign character.
    // Returns false, changing nothing, when the mantissa is zero.
    bool ToggleSign();
    // Left and Right. allowEleven: the editor may switch to showing all
    // eleven digits (every setting except the math scale).
    void CursorLeft(bool allowEleven);
    void CursorRight(bool allowEleven);

    // The display text: the setting's label (only while seven digits are
    // shown), the sign, the shown digits with the point, and one blank.
    std::string DisplayText(int16_t displayCode) const;

private:
    void SwitchToElevenDigits();
    void StepDigit(bool up);
};

// The label of a value setting by its display code ("UPPR:", "F0:  ", ...);
// empty for any other code.
std::string ValueLabel(int16_t displayCode);

}  // namespace kt
