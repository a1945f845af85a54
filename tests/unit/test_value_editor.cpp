// The value editor on its own: decomposing stored values, normalising after
// digit steps (carries, borrows, the top of the range), the cursor moves with
// their widening, narrowing and switch to eleven digits, and the value that
// Enter stores.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "readings/value_editor.h"

namespace {

using kt::ValueEditor;

constexpr int16_t kUpper = 30;
constexpr int16_t kScale = 34;
constexpr int16_t kF0 = 38;

ValueEditor Loaded(double x) {
    ValueEditor e;
    e.Load(x);
    return e;
}

// The character under the cursor on the display text.
char UnderCursor(const ValueEditor& e, int16_t code) {
    const std::string shown = e.DisplayText(code);
    const int16_t pos = e.CursorPosition();
    return pos >= 0 && static_cast<size_t>(pos) < shown.size() ? shown[static_cast<size_t>(pos)] : '?';
}

// Moves the cursor from the leading shown digit down to the given index.
void CursorTo(ValueEditor& e, int16_t index, bool allowEleven) {
    while (e.editValueCursor > index) e.CursorRight(allowEleven);
    while (e.editValueCursor < index) e.CursorLeft(allowEleven);
}

TEST(ScientificForm, RoundsHalfAwayFromZeroOnTheDecimalDigits) {
    struct Case {
        double x;
        const char* text;
    };
    const Case cases[] = {
        {0.0, "0.0000000000E+00"},
        {-0.0, "0.0000000000E+00"},
        {1.0, "1.0000000000E+00"},
        {1234567.89, "1.2345678900E+06"},
        {-0.005, "-5.0000000000E-03"},
        {2.5e-8, "2.5000000000E-08"},
        {1e-100, "1.0000000000E-100"},
        {0.1 + 0.2, "3.0000000000E-01"},
        // The carry out of the first digit raises the exponent.
        {9.99999999999, "1.0000000000E+01"},
        {-999999.999999, "-1.0000000000E+06"},
        // A half read from the decimal form rounds up, even where the binary
        // value lies a hair below it.
        {1.23456789015, "1.2345678902E+00"},
        {4.99999999995, "5.0000000000E+00"},
        {-2.50000000005, "-2.5000000001E+00"},
        {1.23456789014, "1.2345678901E+00"},
    };
    for (const Case& c : cases) EXPECT_EQ(kt::FormatScientific(c.x), c.text) << c.x;
}

TEST(FixedPointMantissa, WholeDigitsRoundHalfAwayFromZero) {
    EXPECT_EQ(kt::FormatWhole11(0), "00000000000");
    EXPECT_EQ(kt::FormatWhole11(12345), "00000000001");   // 1.2345
    EXPECT_EQ(kt::FormatWhole11(15000), "00000000002");   // 1.5
    EXPECT_EQ(kt::FormatWhole11(24999), "00000000002");   // 2.4999
    EXPECT_EQ(kt::FormatWhole11(25000), "00000000003");   // 2.5
    EXPECT_EQ(kt::FormatWhole11(99999999999LL * 10000), "99999999999");
}

TEST(FixedPointMantissa, DivisionByTenRoundsTheFifthDecimalHalfToEven) {
    struct Case {
        int64_t in, out;
    };
    const Case cases[] = {
        {123456, 12346},  // 12.3456 -> 1.23456 -> 1.2346
        {123454, 12345},  // 1.23454 -> 1.2345
        {123455, 12346},  // 1.23455: half, 5 odd -> up
        {123445, 12344},  // 1.23445: half, 4 even -> stays
        {5, 0},           // 0.00005: half, 0 even -> 0
        {15, 2},          // 0.00015: half, 1 odd -> 0.0002
        {100000, 10000},
    };
    for (const Case& c : cases) EXPECT_EQ(kt::DivideByTen(c.in), c.out) << c.in;
}

TEST(ValueLoad, StoredValuesBecomeDigitsPointAndPrefix) {
    struct Case {
        double x;
        const char* text;
        int16_t prefix, decimals;
        const char* shown;  // as the upper limit shows it
    };
    const Case cases[] = {
        {1e7, " 10000000000", 6, 5, "UPPR: 10.00000 "},
        {1.0, " 10000000000", 0, 6, "UPPR: 1.000000 "},
        {0.0, " 00000000000", 0, 6, "UPPR: 0.000000 "},
        {-0.005, "-50000000000", -3, 6, "UPPR:-5.000000 "},
        {2.5e-8, " 00250000000", -6, 6, "UPPR: 0.025000 "},
        {123456.789, " 12345678900", 3, 4, "UPPR: 123.4567 "},  // shown digits are cut, not rounded
        {999.9999e-6, " 99999990000", -6, 4, "UPPR: 999.9999 "},
        {9.99999999999, " 10000000000", 0, 5, "UPPR: 10.00000 "},
        {1e12, " 10000000000", 6, 0, "UPPR: 1000000 "},
        {-9999999e6, "-99999990000", 6, 0, "UPPR:-9999999 "},
        {1e-12, " 00000010000", -6, 6, "UPPR: 0.000001 "},
        {1e-300, " 00000000000", -6, 6, "UPPR: 0.000000 "},
    };
    for (const Case& c : cases) {
        const ValueEditor e = Loaded(c.x);
        EXPECT_EQ(e.editValueText, c.text) << c.x;
        EXPECT_EQ(e.editValuePrefix, c.prefix) << c.x;
        EXPECT_EQ(e.editValueDecimals, c.decimals) << c.x;
        EXPECT_EQ(e.editValueDigits, 7) << c.x;
        EXPECT_EQ(e.editValueCursor, 6) << c.x;
        EXPECT_EQ(e.editValueLastPos, 13) << c.x;
        EXPECT_EQ(e.DisplayText(kUpper), c.shown) << c.x;
    }
}

TEST(ValueLoad, MantissaIsTheTextsNumberInFixedPoint) {
    EXPECT_EQ(Loaded(1e7).editMantissa, 10000000000LL * 10000);
    EXPECT_EQ(Loaded(-0.005).editMantissa, -50000000000LL * 10000);
    EXPECT_EQ(Loaded(2.5e-8).editMantissa, 250000000LL * 10000);
    EXPECT_EQ(Loaded(0.0).editMantissa, 0);
}

TEST(ValueLoad, ValuesBeyondTheRangeLoadAsTheTopWithTheirSign) {
    struct Case {
        double x;
        const char* text;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {1e13, " 99999990000"},
        {9.999999999996e12, " 99999990000"},  // rounds to 1.0000000000E+13
        {-1e20, "-99999990000"},
        {1e300, " 99999990000"},
        {inf, " 99999990000"},
        {-inf, "-99999990000"},
    };
    for (const Case& c : cases) {
        const ValueEditor e = Loaded(c.x);
        EXPECT_EQ(e.editValueText, c.text) << c.x;
        EXPECT_EQ(e.editValuePrefix, 6) << c.x;
        EXPECT_EQ(e.editValueDecimals, 0) << c.x;
        EXPECT_EQ(e.DisplayText(kF0), std::string("F0:  ") + c.text[0] + "9999999 ") << c.x;
        EXPECT_EQ(std::fabs(e.Value()), 9999999e6) << c.x;
    }
    // Just below the limit the value keeps its own digits.
    EXPECT_EQ(Loaded(9.9999999e12).DisplayText(kF0), "F0:   9999999 ");
}

TEST(ValueLoad, NotANumberLoadsAsZero) {
    const ValueEditor e = Loaded(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(e.editValueText, " 00000000000");
    EXPECT_EQ(e.editMantissa, 0);
    EXPECT_EQ(e.editValuePrefix, 0);
    EXPECT_EQ(e.Value(), 0.0);
}

TEST(ValueLoad, ValueReadsBackTheStoredNumber) {
    const double values[] = {1e7, 1.0, 0.0, -0.005, 2.5e-8, 123456.789, -42.5, 3.1415926536, 1e12, 7.77e-5};
    for (double x : values) EXPECT_EQ(Loaded(x).Value(), x) << x;
    // Beyond eleven significant digits the value is the rounded one.
    EXPECT_EQ(Loaded(1.23456789015).Value(), 1.2345678902);
}

// Digit steps, each from a loaded value with the cursor placed first.
struct StepCase {
    const char* what;
    double load;
    int16_t cursor;
    bool up;
    const char* shown;  // the upper limit's text after the step
    int16_t prefix;
    int16_t cursorAfter;
};

void RunSteps(const StepCase* cases, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const StepCase& c = cases[i];
        ValueEditor e = Loaded(c.load);
        CursorTo(e, c.cursor, true);
        const char digitBefore = UnderCursor(e, kUpper);
        c.up ? e.IncDigit() : e.DecDigit();
        EXPECT_EQ(e.DisplayText(kUpper), c.shown) << c.what;
        EXPECT_EQ(e.editValuePrefix, c.prefix) << c.what;
        EXPECT_EQ(e.editValueCursor, c.cursorAfter) << c.what;
        EXPECT_EQ(e.editValueText.size(), 12u) << c.what;
        const char under = UnderCursor(e, kUpper);
        EXPECT_TRUE(under >= '0' && under <= '9') << c.what;
        (void)digitBefore;
    }
}

TEST(ValueDigitSteps, CarryIntoATwelfthDigitAtEveryPrefix) {
    const StepCase cases[] = {
        {"u to m", 999.9999e-6, 0, true, "UPPR: 1.000000 ", -3, 0},
        {"m to no prefix", 999.9999e-3, 0, true, "UPPR: 1.000000 ", 0, 0},
        {"no prefix to k", 999.9999, 0, true, "UPPR: 1.000000 ", 3, 0},
        {"k to M, cursor moves with its digit", 900e3, 6, true, "UPPR: 1.000000 ", 6, 5},
        {"at M one more integer digit", 900e6, 6, true, "UPPR: 1000.000 ", 6, 5},
        {"one to two integer digits", 9.999999, 0, true, "UPPR: 10.00000 ", 0, 0},
        {"two to three integer digits", 99.99999e3, 0, true, "UPPR: 100.0000 ", 3, 0},
        {"at M towards seven integer digits", 999999.9e6, 0, true, "UPPR: 1000000 ", 6, 0},
    };
    RunSteps(cases, std::size(cases));
}

TEST(ValueDigitSteps, BorrowOutOfTheLeadingDigitDownToMicro) {
    const StepCase cases[] = {
        {"k to no prefix", 1e3, 0, false, "UPPR: 999.9990 ", 0, 1},
        {"no prefix to m", 1.0, 0, false, "UPPR: 999.9990 ", -3, 1},
        {"m to u", 1e-3, 0, false, "UPPR: 999.9990 ", -6, 1},
        {"M to k", 1e6, 0, false, "UPPR: 999.9990 ", 3, 1},
        {"two to one integer digit", 10.0, 0, false, "UPPR: 9.999990 ", 0, 1},
        {"within u", 100e-6, 0, false, "UPPR: 99.99990 ", -6, 1},
        {"u keeps its leading zero", 1e-6, 0, false, "UPPR: 0.999999 ", -6, 0},
        {"through zero to minus", 1e-6, 6, false, "UPPR: 0.000000 ", -6, 6},
        // Moving right over the zeros of 0 narrows it down to u first.
        {"zero down becomes negative", 0.0, 0, false, "UPPR:-0.000001 ", -6, 0},
    };
    RunSteps(cases, std::size(cases));
}

TEST(ValueDigitSteps, TopOfTheRangeIsCappedAt9999999M) {
    for (int16_t cursor = 0; cursor < 7; ++cursor) {
        ValueEditor e = Loaded(9999999e6);
        CursorTo(e, cursor, true);
        for (int i = 0; i < 3; ++i) e.IncDigit();
        EXPECT_EQ(e.DisplayText(kUpper), "UPPR: 9999999 ") << "cursor " << cursor;
        EXPECT_EQ(e.editValueCursor, cursor);
        EXPECT_EQ(e.Value(), 9999999e6);
    }
    ValueEditor e = Loaded(9999998e6);
    CursorTo(e, 0, true);
    e.IncDigit();
    EXPECT_EQ(e.DisplayText(kUpper), "UPPR: 9999999 ");
    e.IncDigit();
    EXPECT_EQ(e.DisplayText(kUpper), "UPPR: 9999999 ");
    // The negative end is capped the same way.
    ValueEditor n = Loaded(-9999999e6);
    n.DecDigit();
    EXPECT_EQ(n.DisplayText(kUpper), "UPPR:-9999999 ");
    // With eleven digits shown the top stays 9999999.0000 M.
    ValueEditor w = Loaded(9999999e6);
    w.CursorLeft(true);
    CursorTo(w, 0, true);
    w.IncDigit();
    EXPECT_EQ(w.DisplayText(kUpper), " 9999999.0000 ");
}

TEST(ValueDigitSteps, ZeroStaysUnnormalised) {
    ValueEditor e = Loaded(1.0);
    e.DecDigit();  // 1 - 1 at the leading digit
    EXPECT_EQ(e.editMantissa, 0);
    EXPECT_EQ(e.DisplayText(kUpper), "UPPR: 0.000000 ");
    EXPECT_EQ(e.editValueCursor, 6);
}

TEST(ValueCursor, SwitchToElevenDigitsFromTheLeft) {
    ValueEditor e = Loaded(1e7);  // cursor on the leading 1
    EXPECT_EQ(e.CursorPosition(), 6);
    EXPECT_EQ(UnderCursor(e, kUpper), '1');
    e.CursorLeft(true);
    EXPECT_EQ(e.editValueDigits, 11);
    EXPECT_EQ(e.editValueLastPos, 12);
    EXPECT_EQ(e.editValueCursor, 10);
    EXPECT_EQ(e.editValueDecimals, 9);
    EXPECT_EQ(e.DisplayText(kUpper), " 10.000000000 ");  // no label with eleven digits
    EXPECT_EQ(e.CursorPosition(), 1);
    EXPECT_EQ(e.Value(), 1e7);
}

TEST(ValueCursor, SwitchToElevenDigitsFromTheRight) {
    ValueEditor e = Loaded(1e7);
    CursorTo(e, 0, true);
    EXPECT_EQ(e.CursorPosition(), 13);
    e.CursorRight(true);  // off the seventh digit: all eleven are shown
    EXPECT_EQ(e.editValueDigits, 11);
    EXPECT_EQ(e.editValueCursor, 4);
    EXPECT_EQ(e.DisplayText(kF0), " 10.000000000 ");
    EXPECT_EQ(e.CursorPosition(), 8);  // still the seventh digit
    e.CursorRight(true);
    EXPECT_EQ(e.CursorPosition(), 9);  // the eighth
    EXPECT_EQ(e.Value(), 1e7);
}

TEST(ValueCursor, ScaleNeverShowsElevenDigits) {
    ValueEditor e = Loaded(1.0);
    CursorTo(e, 0, false);
    e.CursorRight(false);
    EXPECT_EQ(e.editValueDigits, 7);
    EXPECT_EQ(e.editValueCursor, 0);
    EXPECT_EQ(e.DisplayText(kScale), "SCAL: 1.000000 ");

    // Left on the leading digit widens the integer part with leading zeros.
    CursorTo(e, 6, false);
    const char* widened[] = {"SCAL: 01.00000 ", "SCAL: 001.0000 ", "SCAL: 0.001000 ", "SCAL: 00.00100 "};
    const int16_t prefixes[] = {0, 0, 3, 3};
    for (size_t i = 0; i < std::size(widened); ++i) {
        e.CursorLeft(false);
        EXPECT_EQ(e.DisplayText(kScale), widened[i]);
        EXPECT_EQ(e.editValuePrefix, prefixes[i]);
        EXPECT_EQ(e.editValueCursor, 6);
        EXPECT_EQ(e.CursorPosition(), 6);  // on the new leading zero
        EXPECT_EQ(e.Value(), 1.0);
    }
    // Right takes the zeros away again without moving the cursor.
    const char* narrowed[] = {"SCAL: 0.001000 ", "SCAL: 001.0000 ", "SCAL: 01.00000 ", "SCAL: 1.000000 "};
    for (const char* text : narrowed) {
        e.CursorRight(false);
        EXPECT_EQ(e.DisplayText(kScale), text);
        EXPECT_EQ(e.editValueCursor, 6);
        EXPECT_EQ(e.Value(), 1.0);
    }
    e.CursorRight(false);  // now a real move
    EXPECT_EQ(e.editValueCursor, 5);
}

TEST(ValueCursor, WideningStopsAtSevenIntegerDigitsOfM) {
    ValueEditor e = Loaded(1234567e6);
    e.CursorLeft(false);
    EXPECT_EQ(e.DisplayText(kScale), "SCAL: 1234567 ");
    EXPECT_EQ(e.Value(), 1234567e6);
}

TEST(ValueCursor, DigitPushedOutByLeftComesBackWithRight) {
    ValueEditor e = Loaded(1.2345678901);
    e.CursorLeft(true);  // eleven digits
    EXPECT_EQ(e.DisplayText(kUpper), " 1.2345678901 ");
    e.CursorLeft(true);  // widen: the last 1 drops out of the text
    EXPECT_EQ(e.DisplayText(kUpper), " 01.234567890 ");
    EXPECT_EQ(e.editMantissa, 12345678901LL * 1000);  // kept as a fraction
    EXPECT_EQ(e.Value(), 1.2345678901);
    e.CursorRight(true);  // narrow again
    EXPECT_EQ(e.DisplayText(kUpper), " 1.2345678900 ");  // the text gets a 0 ...
    EXPECT_EQ(e.editMantissa, 12345678901LL * 10000);  // ... the mantissa the digit
    EXPECT_EQ(e.Value(), 1.2345678901);
    EXPECT_EQ(e.editValueCursor, 10);
    e.IncDigit();  // the next step rebuilds the text from the mantissa
    EXPECT_EQ(e.DisplayText(kUpper), " 2.2345678901 ");
}

TEST(ValueCursor, AtTheSmallestPrefixRightMovesInsteadOfNarrowing) {
    ValueEditor e = Loaded(2.5e-8);  // 0.025000 u
    EXPECT_EQ(e.editValueCursor, 6);
    e.CursorRight(true);
    EXPECT_EQ(e.editValueCursor, 5);
    EXPECT_EQ(e.DisplayText(kUpper), "UPPR: 0.025000 ");
    EXPECT_EQ(e.CursorPosition(), 8);
    CursorTo(e, 0, true);
    e.CursorRight(true);  // switch to eleven digits
    EXPECT_EQ(e.editValueDigits, 11);
    EXPECT_EQ(e.editValueCursor, 4);
    EXPECT_EQ(e.DisplayText(kUpper), " 0.0250000000 ");
    EXPECT_EQ(e.CursorPosition(), 8);
    // On the scale the cursor stays on the last digit.
    ValueEditor s = Loaded(2.5e-8);
    CursorTo(s, 0, false);
    s.CursorRight(false);
    EXPECT_EQ(s.editValueCursor, 0);
    EXPECT_EQ(s.editValueDigits, 7);
}

TEST(ValueCursor, LeftWideningDropsAMantissaBelowOne) {
    ValueEditor e = Loaded(5e-12);  // 0.000005 u: the mantissa is 50000
    EXPECT_EQ(e.DisplayText(kScale), "SCAL: 0.000005 ");
    // Widening at u moves towards m; each step divides the mantissa by ten.
    for (int i = 0; i < 5; ++i) e.CursorLeft(false);
    EXPECT_EQ(e.editMantissa, 0);
    EXPECT_EQ(e.Value(), 0.0);
}

// A fraction kept by a Left widening lets the mantissa reach 99999999999.9,
// which shows as 100000000000: that must carry like a twelfth digit.
TEST(ValueNormalise, FractionRoundingUpToATwelfthDigitCarries) {
    ValueEditor e = Loaded(9.9999999999);
    e.CursorLeft(true);  // eleven digits, cursor on the leading 9
    e.CursorLeft(true);  // widen: 09.999999999, mantissa 9999999999.9
    EXPECT_EQ(e.DisplayText(kUpper), " 09.999999999 ");
    for (int i = 0; i < 9; ++i) e.IncDigit();  // nine times 10 at the leading digit
    EXPECT_EQ(e.editValueText.size(), 12u);
    EXPECT_EQ(e.editValueText, " 10000000000");
    EXPECT_EQ(e.DisplayText(kUpper), " 100.00000000 ");
    EXPECT_EQ(e.editValueCursor, 9);
    EXPECT_NEAR(e.Value(), 99.9999999999, 1e-12);
}

// The same through a borrow: 10000000000.96 less one shows as 10000000000,
// so its first digit is not zero and it is not shifted.
TEST(ValueNormalise, FractionRoundingUpToTenDigitsIsNoLeadingZero) {
    ValueEditor e;
    e.editValueDigits = 11;
    e.editValueLastPos = 12;
    e.editValueDecimals = 10;
    e.editValuePrefix = 0;
    e.editValueCursor = 0;
    e.editMantissa = 100000000019600LL;  // 10000000001.96
    e.DecDigit();
    EXPECT_EQ(e.editValueText, " 10000000001");  // 10000000000.96 rounded
    e.DecDigit();                                // 9999999999.96
    EXPECT_EQ(e.editValueText, " 10000000000");
    EXPECT_EQ(e.editValueDecimals, 10);
    EXPECT_EQ(e.editValueCursor, 0);
}

// Widening a run of nines rounds the mantissa up into the next digit while
// the text keeps the nines and its leading zero; Right must not narrow that
// zero away from a mantissa that no longer has it.
TEST(ValueNormalise, RightAfterNinesRoundedUpKeepsElevenDigits) {
    ValueEditor e = Loaded(0.0099999999999);  // 9.999999 m, eleven nines
    for (int i = 0; i < 12; ++i) e.CursorLeft(true);  // eleven digits, widened to the top
    EXPECT_EQ(e.editValueText, " 00000000000");
    EXPECT_EQ(e.editMantissa, 10000);  // 9.9999 ... rounded up, then shifted: 1.0000
    EXPECT_EQ(e.editValuePrefix, 6);
    for (int i = 0; i < 10; ++i) e.CursorRight(true);  // the zeros that are real
    EXPECT_EQ(e.editValueCursor, 10);
    EXPECT_EQ(e.editMantissa, 10000000000LL * 10000);
    e.CursorRight(true);  // the text's last zero is stale: the digits are rebuilt
    EXPECT_EQ(e.editValueText, " 10000000000");
    EXPECT_EQ(e.DisplayText(kF0), " 10.000000000 ");
    EXPECT_EQ(e.editValuePrefix, -3);
    EXPECT_EQ(e.editValueCursor, 9);
    EXPECT_EQ(e.Value(), 0.01);
    e.CursorRight(true);
    e.IncDigit();
    EXPECT_EQ(e.editValueText, " 10100000000");
    EXPECT_EQ(e.DisplayText(kF0), " 10.100000000 ");
}

// Rounding to whole digits decides the carry and the leading zero only where
// the plain rule would show twelve digits: from 9999999999.95 on (ten times
// it rounds to 100000000000). Just below, Down shifts and Right narrows as
// for any leading zero. Eleven digits shown, no prefix.
TEST(ValueNormalise, TwelveDigitBandStartsAt9999999999_95) {
    struct Case {
        const char* what;
        int64_t mantissa;  // fixed point, after the Down step or before Right
        bool right;        // Right on a leading zero; else Down at index 0
        const char* shown;
        int16_t cursorAfter;
    };
    const Case cases[] = {
        {"down to .4999 shifts", 99999999994999, false, " 9.9999999995 ", 1},
        {"down to .5 shifts", 99999999995000, false, " 9.9999999995 ", 1},
        {"down to .9499 shifts", 99999999999499, false, " 9.9999999999 ", 1},
        {"down to .95 shows ten digits", 99999999999500, false, " 10.000000000 ", 0},
        {"right on .5 narrows", 99999999995000, true, " 99.999999990 ", 10},
        {"right on .9499 narrows", 99999999999499, true, " 99.999999990 ", 10},
        {"right on .95 rebuilds and moves", 99999999999500, true, " 100.00000000 ", 9},
    };
    for (const Case& c : cases) {
        ValueEditor e;
        e.editValueDigits = 11;
        e.editValueLastPos = 12;
        e.editValuePrefix = 0;
        if (c.right) {
            e.editValueText = " 09999999999";
            e.editValueDecimals = 8;
            e.editValueCursor = 10;
            e.editMantissa = c.mantissa;
            e.CursorRight(true);
        } else {
            e.editValueDecimals = 9;
            e.editValueCursor = 0;
            e.editMantissa = c.mantissa + kt::kMantissaUnit;
            e.DecDigit();
        }
        EXPECT_EQ(e.DisplayText(kUpper), c.shown) << c.what;
        EXPECT_EQ(e.editValueCursor, c.cursorAfter) << c.what;
    }
}

// Two sessions from stored values that reach the band's lower part.
TEST(ValueNormalise, BelowTheBandNinesAreShiftedAndNarrowed) {
    ValueEditor u = Loaded(99.999999999);
    u.CursorLeft(true);  // eleven digits
    u.CursorLeft(true);  // widen: the mantissa keeps 9999999999.9
    EXPECT_EQ(u.DisplayText(kUpper), " 099.99999999 ");
    u.CursorRight(true);
    EXPECT_EQ(u.DisplayText(kUpper), " 99.999999990 ");
    EXPECT_EQ(u.editValueCursor, 10);

    ValueEditor d = Loaded(1.0000000006);
    d.CursorLeft(true);
    d.CursorLeft(true);  // 01.000000000, mantissa 1000000000.6
    d.IncDigit();        // 11000000000.6
    d.CursorRight(true);
    d.DecDigit();  // 10000000000.6
    CursorTo(d, 0, true);
    d.DecDigit();  // 9999999999.6
    EXPECT_EQ(d.DisplayText(kUpper), " 9.9999999996 ");
    EXPECT_EQ(d.editValueDecimals, 10);
    EXPECT_EQ(d.editValueCursor, 1);
}

TEST(ValueSign, ToggleNegatesNonZeroOnly) {
    ValueEditor e = Loaded(1e7);
    EXPECT_TRUE(e.ToggleSign());
    EXPECT_EQ(e.editValueText, "-10000000000");
    EXPECT_EQ(e.Value(), -1e7);
    EXPECT_TRUE(e.ToggleSign());
    EXPECT_EQ(e.editValueText, " 10000000000");

    ValueEditor z = Loaded(0.0);
    EXPECT_FALSE(z.ToggleSign());
    EXPECT_EQ(z.editValueText, " 00000000000");
    EXPECT_EQ(z.editMantissa, 0);
}

TEST(ValueLabels, OneLabelPerSetting) {
    EXPECT_EQ(kt::ValueLabel(30), "UPPR:");
    EXPECT_EQ(kt::ValueLabel(31), "LOWR:");
    EXPECT_EQ(kt::ValueLabel(34), "SCAL:");
    EXPECT_EQ(kt::ValueLabel(35), "OFFS:");
    EXPECT_EQ(kt::ValueLabel(38), "F0:  ");
    EXPECT_EQ(kt::ValueLabel(13), "");
    EXPECT_EQ(Loaded(1.0).DisplayText(0), " 1.000000 ");
}

}  // namespace
