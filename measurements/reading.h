// One reading as the counter sent it: the line's text, the exact decimal value
// in the base unit (moved from the digits the counter sent, never through
// binary floating point), a double of it for statistics and charts, the
// measuring function the panel held when it arrived and when it arrived.
// Plain C++: no Qt, no POSIX.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace kt {

// Wall-clock time of arrival (written as ISO 8601 UTC) and a monotonic reading
// taken at the same moment (for elapsed times and spacing).
using SystemTime = std::chrono::system_clock::time_point;
using SteadyTime = std::chrono::steady_clock::time_point;

// Base unit of a value: hertz, seconds, or none (ratios, totals).
enum class Unit : uint8_t { None, Hz, Seconds };

// "Hz", "s" or "" (as written in the unit column).
std::string_view UnitText(Unit unit);

// A decimal value as its whole part and its fraction, each a double: near
// 10 MHz the two together carry every digit the counter sent (one double of
// 10000000.123456789 cannot).
struct SplitValue {
    double whole = 0.0;
    double fraction = 0.0;  // same sign as the value, |fraction| < 1
};

// value - base, part by part: exact for the whole parts, and the fractions
// lose nothing that matters.
inline double OffsetFrom(SplitValue value, SplitValue base) {
    return (value.whole - base.whole) + (value.fraction - base.fraction);
}

// Splits an exact decimal ("-10000000.123" -> -10000000 and -0.123). Text
// that is not [-]digits[.digits] gives {0, 0}.
SplitValue SplitDecimal(std::string_view exact);

// The value a line carries, if any.
struct ParsedValue {
    bool has_value = false;
    std::string exact;  // e.g. "10000000.123"; empty when !has_value
    Unit unit = Unit::None;
    double value = 0.0;  // the double nearest to exact; 0 when !has_value
    SplitValue parts;    // exact as whole part and fraction
};

// The pieces of a number line as the counter wrote it (views into the line).
struct NumberForm {
    char sign = 0;                 // '+', '-' or 0 for none
    std::string_view int_digits;   // at least one digit
    std::string_view frac_digits;  // empty when there is no point
    char prefix = 0;               // one of G M k m u n p, or 0 for none
    int exponent = 0;              // power of ten of the prefix
    Unit unit = Unit::None;
};

// Splits a line of the form ParseValue reads into its pieces; false for any
// other text.
bool ParseNumberForm(std::string_view line, NumberForm& form);

// Appends the exact decimal in the base unit of a number's pieces: the
// digits with the point moved exponent places to the right, leading zeros of
// the integer part dropped (one kept below 1), trailing zeros kept, "-" for a
// negative sign.
void AppendExactDecimal(std::string& out, bool negative, std::string_view int_digits, std::string_view frac_digits,
                        int exponent);

// Parses `[blanks][sign]digits[.digits][blanks][prefix][unit][blanks]` with
// prefix one of G M k m u n p and unit "Hz", "s" or none. line is the text
// without its CR/LF. Anything else has no value. Allocates only the exact text
// (usually within the short-string buffer).
ParsedValue ParseValue(std::string_view line);

// The same, reusing out's storage (the allocation-light path for a flood).
void ParseValueInto(std::string_view line, ParsedValue& out);

// A line with its CR/LF removed: drops one trailing LF and then one CR before it.
std::string_view StripLineEnd(std::string_view line);

// A kept reading.
struct Reading {
    uint64_t seq = 0;            // 0 for the first reading ever added to a store, then 1, 2, ...
    SystemTime time{};           // when it arrived (wall clock)
    SteadyTime steady{};         // when it arrived (monotonic clock)
    double value = 0.0;          // double of exact; 0 when !has_value
    SplitValue parts;            // exact as whole part and fraction (for digit-exact statistics)
    std::string text;            // the line as received, without CR/LF
    std::string exact;           // exact decimal value in the base unit; empty when !has_value
    std::string_view function;   // function menu text without trailing blanks, e.g. "FREQUENCY 1"
                                 // (points into the owning store's table of function texts)
    Unit unit = Unit::None;
    bool has_value = false;
};

}  // namespace kt
