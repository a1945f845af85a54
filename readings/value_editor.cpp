#include "readings/value_editor.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "core/int16.h"
#include "core/panel_codes.h"

namespace kt {

namespace {

constexpr int64_t kElevenDigits = 100000000000LL;  // 10^11: a twelfth digit
constexpr int64_t kTenDigits = 10000000000LL;      // 10^10: a non-zero first digit
constexpr int16_t kHiddenDigits = 4;               // mantissa digits not shown with seven

// Powers of ten that a double holds exactly.
constexpr std::array<double, 23> kPow10 = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                           1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                           1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

struct LabelEntry {
    int16_t code;
    std::string_view label;
};
constexpr std::array<LabelEntry, 5> kValueLabels = {{
    {display::kUpperLimitEditor, "UPPR:"},
    {display::kLowerLimitEditor, "LOWR:"},
    {display::kMathScaleEditor, "SCAL:"},
    {display::kMathOffsetEditor, "OFFS:"},
    {display::kStatsF0Editor, "F0:  "},
}};

// A fixed-point magnitude rounded half away from zero to a whole number.
int64_t RoundWhole(int64_t magnitude) { return (magnitude + kMantissaUnit / 2) / kMantissaUnit; }

int64_t Pow10Int(int16_t power) {
    int64_t p = 1;
    for (int16_t i = 0; i < power && i < 18; i = Add16(i, 1)) p *= 10;
    return p;
}

// The signed fixed-point mantissa that a sign character and eleven digits
// stand for, read digit by digit.
int64_t ReadMantissa(const std::string& text) {
    int64_t whole = 0;
    for (size_t i = 1; i < text.size() && i <= 11; ++i) {
        const char c = text[i];
        whole = whole * 10 + ((c >= '0' && c <= '9') ? c - '0' : 0);
    }
    const int64_t m = whole * kMantissaUnit;
    return (!text.empty() && text[0] == '-') ? -m : m;
}

// Whether a fixed-point magnitude, rounded to a whole number as the digits
// show it, needs a twelfth digit.
bool ShowsTwelveDigits(int64_t magnitude) { return RoundWhole(magnitude) >= kElevenDigits; }

// The digits one place to the right: a zero enters at the left, the last
// digit drops out.
std::string ShiftedRight(const std::string& text) { return text.substr(0, 1) + "0" + text.substr(1, 10); }
// The digits one place to the left: a zero enters at the right.
std::string ShiftedLeft(const std::string& text) { return text.substr(0, 1) + text.substr(2, 10) + "0"; }

}  // namespace

ScientificDigits SplitScientific(double x) {
    ScientificDigits out;
    if (x == 0.0 || !std::isfinite(x)) return out;
    out.negative = x < 0.0;

    // The shortest decimal form of up to fifteen significant digits: the
    // binary value is read once, to fifteen digits, and every later rounding
    // works on those decimal digits, so 0.1 + 0.2 counts as 0.3.
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(x));  // d.dddddddddddddde+XX
    std::string fifteen;
    fifteen += buf[0];
    fifteen.append(buf + 2, 14);
    const char* p = buf + 16;  // the 'e'
    while (*p != '\0' && *p != 'e') ++p;
    int exponent = 0;
    bool expNegative = false;
    if (*p == 'e') ++p;
    if (*p == '-' || *p == '+') expNegative = (*p++ == '-');
    while (*p >= '0' && *p <= '9') exponent = exponent * 10 + (*p++ - '0');
    if (expNegative) exponent = -exponent;

    // Eleven digits, the twelfth decides: five or more rounds the magnitude
    // up (half away from zero). A carry out of the first digit leaves 1 and
    // ten zeros and raises the exponent.
    std::string digits = fifteen.substr(0, 11);
    if (fifteen[11] >= '5') {
        int i = 10;
        while (i >= 0 && digits[static_cast<size_t>(i)] == '9') digits[static_cast<size_t>(i--)] = '0';
        if (i < 0) {
            digits[0] = '1';
            ++exponent;
        } else {
            ++digits[static_cast<size_t>(i)];
        }
    }
    out.digits = digits;
    out.exponent = static_cast<int16_t>(exponent);
    return out;
}

std::string FormatScientific(double x) {
    const ScientificDigits sd = SplitScientific(x);
    char exp[16];
    std::snprintf(exp, sizeof exp, "E%c%02d", sd.exponent < 0 ? '-' : '+', sd.exponent < 0 ? -sd.exponent : sd.exponent);
    return std::string(sd.negative ? "-" : "") + sd.digits.substr(0, 1) + "." + sd.digits.substr(1) + exp;
}

std::string FormatWhole11(int64_t magnitude) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%011lld", static_cast<long long>(RoundWhole(magnitude)));
    return buf;
}

int64_t DivideByTen(int64_t magnitude) {
    int64_t q = magnitude / 10;
    const int64_t r = magnitude % 10;
    if (r > 5 || (r == 5 && (q & 1) != 0)) ++q;
    return q;
}

std::string ValueLabel(int16_t displayCode) {
    for (const auto& entry : kValueLabels) {
        if (entry.code == displayCode) return std::string(entry.label);
    }
    return {};
}

void ValueEditor::Load(double x) {
    editValueCursor = 6;  // the most significant shown digit
    editValueDecimals = 6;
    editValueLastPos = 13;
    editValueDigits = 7;

    // A stored value that is not a number loads as zero.
    if (std::isnan(x)) x = 0.0;
    ScientificDigits sd;
    bool beyondRange = std::isinf(x);
    if (!beyondRange) {
        sd = SplitScientific(x);
        // From 10^13 on the point would have to stand right of the seventh
        // digit at the largest prefix; such a value loads as the editor's
        // top, 9999999 M, with its sign.
        beyondRange = sd.exponent > 12;
    }
    if (beyondRange) {
        editValuePrefix = 6;
        editValueDecimals = 0;
        editValueText = std::string(x < 0.0 ? "-" : " ") + "99999990000";
        editMantissa = x < 0.0 ? -kMantissaCap : kMantissaCap;
        return;
    }

    editValueText = std::string(sd.negative ? "-" : " ") + sd.digits;
    const int16_t e = sd.exponent;
    int16_t r = 0;
    if (e >= 6) {
        editValuePrefix = 6;
        r = Add16(e, -6);
    } else if (e >= 3) {
        editValuePrefix = 3;
        r = Add16(e, -3);
    } else if (e >= 0) {
        editValuePrefix = 0;
        r = e;
    } else if (e >= -3) {
        editValuePrefix = -3;
        r = Add16(e, 3);
    } else {
        editValuePrefix = -6;
        r = Add16(e, 6);
    }

    if (r >= 0) {
        editValueDecimals = Add16(6, -r);
    } else {
        // Below the smallest prefix the digits move right behind leading
        // zeros; after eleven places nothing is left to move.
        for (int16_t i = 0; i < -r && i < 11; i = Add16(i, 1)) editValueText = ShiftedRight(editValueText);
    }
    editMantissa = ReadMantissa(editValueText);
}

void ValueEditor::Normalize() {
    const bool negative = editMantissa < 0;
    int64_t m = negative ? -editMantissa : editMantissa;
    const int16_t lastIndex = Add16(editValueDigits, -1);
    // The digits are rebuilt from the mantissa rounded to a whole number, so
    // a fraction kept from a Left shift can show a twelfth digit where the
    // mantissa itself has none: 99999999999.5 shows as 100000000000. Such a
    // mantissa carries like any other twelfth digit, and a leading zero is
    // not shifted away when the shift itself would show twelve digits
    // (9999999999.95 times ten); it then shows as 10000000000 instead. Every
    // other mantissa is judged exactly as it is.
    if (editValueDecimals == Add16(editValueDigits, -7) && editValuePrefix == 6) {
        // Top of the range, seven integer digits at M: nothing above 9999999.
        if (m > kMantissaCap) m = kMantissaCap;
    } else if (ShowsTwelveDigits(m)) {
        // A carry into a twelfth digit: one digit more left of the point.
        m = DivideByTen(m);
        if (editValueCursor != 0) editValueCursor = Add16(editValueCursor, -1);  // stays on its digit
        if (editValuePrefix == 6) {
            editValueDecimals = Add16(editValueDecimals, -1);
        } else if (editValueDecimals == Add16(editValueDigits, -3)) {
            editValueDecimals = lastIndex;  // 999.9999 k becomes 1.000000 M
            editValuePrefix = Add16(editValuePrefix, 3);
        } else {
            editValueDecimals = Add16(editValueDecimals, -1);
        }
    } else if (m < kTenDigits * kMantissaUnit && !ShowsTwelveDigits(m * 10)) {
        // The first digit became zero: one digit less left of the point,
        // except at the smallest prefix, which keeps its leading zeros.
        if (editValueDecimals == lastIndex && editValuePrefix == -6) {
            // unchanged
        } else if (m == 0) {
            // unchanged
        } else {
            m *= 10;
            if (editValueCursor != lastIndex) editValueCursor = Add16(editValueCursor, 1);
            if (editValuePrefix == -6) {
                if (editValueDecimals != lastIndex) editValueDecimals = Add16(editValueDecimals, 1);
            } else if (editValueDecimals == lastIndex) {
                editValueDecimals = Add16(editValueDigits, -3);  // 0.999999 k becomes 999.9990
                editValuePrefix = Add16(editValuePrefix, -3);
            } else {
                editValueDecimals = Add16(editValueDecimals, 1);
            }
        }
    }

    editValueText = std::string(negative ? "-" : " ") + FormatWhole11(m);
    editMantissa = negative ? -m : m;
}

double ValueEditor::Value() const {
    const int16_t hidden = editValueDigits == 7 ? kHiddenDigits : 0;
    // The mantissa's own four decimals count as four more places.
    const int16_t e = Add16(Add16(Add16(editValuePrefix, -editValueDecimals), -hidden), -kHiddenDigits);
    const double m = static_cast<double>(editMantissa);  // exact: below 2^53
    // One multiplication or division by an exact power of ten rounds once,
    // to the double nearest the decimal value.
    if (e >= 0) return e < 23 ? m * kPow10[static_cast<size_t>(e)] : m * std::pow(10.0, e);
    return -e < 23 ? m / kPow10[static_cast<size_t>(-e)] : m * std::pow(10.0, e);
}

int16_t ValueEditor::CursorPosition() const {
    int16_t pos = Add16(editValueLastPos, -editValueCursor);
    if (editValueCursor >= editValueDecimals) pos = Add16(pos, -1);  // left of the point, or no point
    return pos;
}

void ValueEditor::StepDigit(bool up) {
    const int16_t power = editValueDigits == 7 ? Add16(editValueCursor, kHiddenDigits) : editValueCursor;
    const int64_t step = Pow10Int(power) * kMantissaUnit;
    editMantissa = up ? editMantissa + step : editMantissa - step;
    Normalize();
}

void ValueEditor::IncDigit() { StepDigit(true); }
void ValueEditor::DecDigit() { StepDigit(false); }

bool ValueEditor::ToggleSign() {
    if (editMantissa == 0) return false;
    editMantissa = -editMantissa;
    if (!editValueText.empty()) editValueText[0] = editValueText[0] == ' ' ? '-' : ' ';
    return true;
}

void ValueEditor::SwitchToElevenDigits() {
    editValueDigits = 11;
    editValueLastPos = Add16(editValueLastPos, -1);
    editValueCursor = Add16(editValueCursor, 4);  // the same digit, now counted among eleven
    editValueDecimals = Add16(editValueDecimals, 4);
}

void ValueEditor::CursorLeft(bool allowEleven) {
    if (Add16(editValueCursor, 1) < editValueDigits) {
        editValueCursor = Add16(editValueCursor, 1);
        return;
    }
    if (editValueDigits == 7 && allowEleven) {
        SwitchToElevenDigits();
        return;
    }
    // On the leftmost digit: widen the integer part by a leading zero.
    if (editValuePrefix == 6) {
        if (editValueDecimals <= Add16(editValueDigits, -7)) return;  // already seven integer digits
        editValueDecimals = Add16(editValueDecimals, -1);
    } else if (editValueDecimals == Add16(editValueDigits, -3)) {
        editValuePrefix = Add16(editValuePrefix, 3);
        editValueDecimals = Add16(editValueDigits, -1);
    } else {
        editValueDecimals = Add16(editValueDecimals, -1);
    }
    editValueText = ShiftedRight(editValueText);
    // The digit pushed out of the text stays in the mantissa as a fraction;
    // a mantissa below one is dropped to zero.
    const bool negative = editMantissa < 0;
    int64_t m = DivideByTen(negative ? -editMantissa : editMantissa);
    if (m < kMantissaUnit) m = 0;
    editMantissa = negative ? -m : m;
}

void ValueEditor::CursorRight(bool allowEleven) {
    const int64_t magnitude = editMantissa < 0 ? -editMantissa : editMantissa;
    if (editValueText.size() > 1 && editValueText[1] == '0' && ShowsTwelveDigits(magnitude * 10)) {
        // The text shows a leading zero that the mantissa, as its digits
        // show it, no longer has: a Left shift rounded a run of nines up
        // (999999.99999 kept to four decimals is 1000000.0000). Narrowing
        // would give a mantissa of twelve shown digits, so the digits are
        // first rebuilt from the mantissa, which then has no leading zero.
        // Below 9999999999.95 the zero is narrowed away as usual.
        editValueText = editValueText.substr(0, 1) + FormatWhole11(magnitude);
    }
    if (editValueText.size() > 1 && editValueText[1] == '0') {
        // A leading zero: narrow the integer part instead of moving.
        const int16_t lastIndex = Add16(editValueDigits, -1);
        if (editValueDecimals == lastIndex && editValuePrefix == -6) {
            // Nothing left to narrow at the smallest prefix: move instead.
            if (editValueCursor == 0) {
                if (editValueDigits == 7 && allowEleven) SwitchToElevenDigits();
            } else {
                editValueCursor = Add16(editValueCursor, -1);
            }
            return;
        }
        if (editValueDecimals == lastIndex) {
            editValuePrefix = Add16(editValuePrefix, -3);
            editValueDecimals = Add16(editValueDigits, -3);
        } else {
            editValueDecimals = Add16(editValueDecimals, 1);
        }
        editValueText = ShiftedLeft(editValueText);
        editMantissa *= 10;
        return;
    }
    if (editValueCursor > 0) {
        editValueCursor = Add16(editValueCursor, -1);
    } else if (editValueDigits == 7 && allowEleven) {
        SwitchToElevenDigits();
    }
}

std::string ValueEditor::DisplayText(int16_t displayCode) const {
    std::string s = editValueText.substr(0, static_cast<size_t>(Add16(editValueDigits, 1)));
    if (editValueDecimals != 0) {
        const size_t integerPart = static_cast<size_t>(Add16(Add16(editValueDigits, -editValueDecimals), 1));
        s = s.substr(0, integerPart) + "." + s.substr(integerPart) + " ";
    } else {
        s += " ";
    }
    if (editValueDigits == 7) s = ValueLabel(displayCode) + s;
    return s;
}

}  // namespace kt
