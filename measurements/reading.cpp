#include "measurements/reading.h"

#include <algorithm>
#include <charconv>
#include <system_error>

namespace kt {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Power of ten of a metric prefix letter; false for any other character.
bool PrefixExponent(char c, int& exponent) {
    switch (c) {
    case 'G': exponent = 9; return true;
    case 'M': exponent = 6; return true;
    case 'k': exponent = 3; return true;
    case 'm': exponent = -3; return true;
    case 'u': exponent = -6; return true;
    case 'n': exponent = -9; return true;
    case 'p': exponent = -12; return true;
    default: return false;
    }
}

std::size_t SkipBlanks(std::string_view s, std::size_t i) {
    while (i < s.size() && s[i] == ' ') ++i;
    return i;
}

void NoValue(ParsedValue& out) {
    out.has_value = false;
    out.exact.clear();
    out.unit = Unit::None;
    out.value = 0.0;
    out.parts = {};
}

// Appends the digits of int_digits followed by frac_digits with the decimal
// point moved `shift` places to the right: leading zeros of the integer part
// dropped, one "0" before the point below 1, trailing zeros kept.
void AppendShifted(std::string& out, std::string_view int_digits, std::string_view frac_digits, int shift) {
    const std::size_t total = int_digits.size() + frac_digits.size();
    // Position of the point within the concatenated digits (may lie outside).
    const long long point = static_cast<long long>(int_digits.size()) + shift;
    auto digit = [&](std::size_t i) { return i < int_digits.size() ? int_digits[i] : frac_digits[i - int_digits.size()]; };

    if (point <= 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-point), '0');
        for (std::size_t i = 0; i < total; ++i) out += digit(i);
        return;
    }
    const auto int_end = static_cast<std::size_t>(point);
    // Integer part: digits [0, int_end), zeros beyond the last digit; leading
    // zeros dropped but one kept.
    std::size_t start = 0;
    while (start + 1 < int_end && (start >= total || digit(start) == '0')) ++start;
    for (std::size_t i = start; i < int_end; ++i) out += i < total ? digit(i) : '0';
    if (int_end < total) {
        out += '.';
        for (std::size_t j = int_end; j < total; ++j) out += digit(j);
    }
}

}  // namespace

std::string_view UnitText(Unit unit) {
    switch (unit) {
    case Unit::Hz: return "Hz";
    case Unit::Seconds: return "s";
    case Unit::None: break;
    }
    return "";
}

bool ParseNumberForm(std::string_view line, NumberForm& form) {
    std::size_t i = SkipBlanks(line, 0);
    form.sign = 0;
    if (i < line.size() && (line[i] == '+' || line[i] == '-')) form.sign = line[i++];
    const std::size_t int_begin = i;
    while (i < line.size() && IsDigit(line[i])) ++i;
    form.int_digits = line.substr(int_begin, i - int_begin);
    if (form.int_digits.empty()) return false;
    form.frac_digits = {};
    if (i < line.size() && line[i] == '.') {
        const std::size_t frac_begin = ++i;
        while (i < line.size() && IsDigit(line[i])) ++i;
        form.frac_digits = line.substr(frac_begin, i - frac_begin);
        if (form.frac_digits.empty()) return false;
    }
    i = SkipBlanks(line, i);
    form.exponent = 0;
    form.prefix = 0;
    // An optional metric prefix, then an optional unit: "5m" is 0.005 with no unit.
    if (i < line.size() && PrefixExponent(line[i], form.exponent)) form.prefix = line[i++];
    form.unit = Unit::None;
    if (line.substr(i, 2) == "Hz") {
        form.unit = Unit::Hz;
        i += 2;
    } else if (i < line.size() && line[i] == 's') {
        form.unit = Unit::Seconds;
        ++i;
    }
    return SkipBlanks(line, i) == line.size();
}

void AppendExactDecimal(std::string& out, bool negative, std::string_view int_digits, std::string_view frac_digits,
                        int exponent) {
    if (negative) out += '-';
    AppendShifted(out, int_digits, frac_digits, exponent);
}

void ParseValueInto(std::string_view line, ParsedValue& out) {
    NumberForm form;
    if (!ParseNumberForm(line, form)) return NoValue(out);
    const bool negative = form.sign == '-';
    out.exact.clear();
    AppendExactDecimal(out.exact, negative, form.int_digits, form.frac_digits, form.exponent);
    // Huge exponents cannot arise (at most 12 places), but a very long run of
    // digits can exceed a double: such a line keeps its text and has no value.
    double value = 0.0;
    const auto [end, ec] = std::from_chars(out.exact.data(), out.exact.data() + out.exact.size(), value);
    (void)end;
    if (ec == std::errc::result_out_of_range) {
        // Far below 1 (a long run of zeros after the point): as good as 0.
        const std::string_view body = std::string_view(out.exact).substr(negative ? 1 : 0);
        if (body.substr(0, 2) != "0.") return NoValue(out);
        value = negative ? -0.0 : 0.0;
    } else if (ec != std::errc()) {
        return NoValue(out);
    }
    out.has_value = true;
    out.unit = form.unit;
    out.value = value;
    out.parts = SplitDecimal(out.exact);
}

SplitValue SplitDecimal(std::string_view exact) {
    SplitValue out;
    const bool negative = exact.substr(0, 1) == "-";
    const std::string_view digits = exact.substr(negative ? 1 : 0);
    const std::size_t point = std::min(digits.find('.'), digits.size());
    const char* begin = digits.data();
    if (point == 0 || std::from_chars(begin, begin + point, out.whole).ptr != begin + point) return {};
    if (point < digits.size() && std::from_chars(begin + point, begin + digits.size(), out.fraction).ptr != begin + digits.size())
        return {};
    if (negative) {
        out.whole = -out.whole;
        out.fraction = -out.fraction;
    }
    return out;
}

ParsedValue ParseValue(std::string_view line) {
    ParsedValue out;
    ParseValueInto(line, out);
    return out;
}

std::string_view StripLineEnd(std::string_view line) {
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

}  // namespace kt
