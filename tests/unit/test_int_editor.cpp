// The integer editor on its own: the level and count formats, the digit
// steps with their clamps, and where its cursor stands on the display.
#include <gtest/gtest.h>

#include <string>

#include "readings/int_editor.h"

namespace {

using kt::FormatCount;
using kt::FormatLevel;
using kt::IntEditor;

// The trigger level: three digits, two of them decimals, -5.00 V to 5.00 V.
IntEditor LevelEditor(int16_t value, int16_t cursor) {
    return {.editInt = value, .editIntLastPos = 11, .editCursor = cursor, .editIntDigits = 3,
            .editIntDecimals = 2, .editIntMax = 500, .editIntMin = -500};
}

// The sample count: four digits, 2 to 2000.
IntEditor CountEditor(int16_t value, int16_t cursor) {
    return {.editInt = value, .editIntLastPos = 21, .editCursor = cursor, .editIntDigits = 4,
            .editIntDecimals = 13, .editIntMax = 2000, .editIntMin = 2};
}

TEST(LevelFormat, SignColumnAndTwoDecimals) {
    struct Case {
        int16_t hundredths;
        const char* text;
    };
    const Case cases[] = {
        {0, " 0.00"},    {5, " 0.05"},    {-5, "-0.05"},   {-1, "-0.01"},     {-99, "-0.99"},
        {125, " 1.25"},  {-50, "-0.50"},  {500, " 5.00"},  {-500, "-5.00"},   {495, " 4.95"},
        {-495, "-4.95"}, {100, " 1.00"},  {-100, "-1.00"}, {32767, " 327.67"}, {-32768, "-327.68"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatLevel(c.hundredths), c.text) << c.hundredths;
}

TEST(LevelFormat, EveryLevelInRangeIsFiveCharactersAndReadsBack) {
    for (int v = -500; v <= 500; ++v) {
        const std::string s = FormatLevel(static_cast<int16_t>(v));
        ASSERT_EQ(s.size(), 5u) << v;
        // The text gives back exactly the hundredths it was made from.
        const int sign = s[0] == '-' ? -1 : 1;
        const int back = sign * ((s[1] - '0') * 100 + (s[3] - '0') * 10 + (s[4] - '0'));
        EXPECT_EQ(back, v) << s;
    }
}

TEST(CountFormat, RightAlignedWithZerosUpToTheCursor) {
    struct Case {
        int16_t value, cursor, digits;
        const char* text;
    };
    const Case cases[] = {
        {2000, 0, 4, "2000"}, {2000, 1, 4, "2000"}, {2000, 2, 4, "2000"}, {2000, 3, 4, "2000"},
        {2, 0, 4, "   2"},    {2, 1, 4, "  02"},    {2, 2, 4, " 002"},    {2, 3, 4, "0002"},
        {10, 0, 4, "  10"},   {10, 1, 4, "  10"},   {10, 2, 4, " 010"},   {10, 3, 4, "0010"},
        {999, 3, 4, "0999"},  {1995, 1, 4, "1995"},
        // A number wider than its field is not cut; a sign stays in front.
        {12345, 0, 4, "12345"}, {-5, 2, 4, "-005"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatCount(c.value, c.cursor, c.digits), c.text) << c.value << " cursor " << c.cursor;
    }
}

TEST(IntDigitSteps, ClampToTheSettingsRange) {
    struct Case {
        const char* what;
        IntEditor editor;
        bool up;
        int16_t result;
    };
    const Case cases[] = {
        {"level 4.95 V, Up on tenths", LevelEditor(495, 1), true, 500},
        {"level 4.95 V, Up on units", LevelEditor(495, 2), true, 500},
        {"level -4.95 V, Down on units", LevelEditor(-495, 2), false, -500},
        {"level -4.95 V, Down on hundredths", LevelEditor(-495, 0), false, -496},
        {"level 0, Down on units", LevelEditor(0, 2), false, -100},
        {"level 1.25 V, Up on hundredths", LevelEditor(125, 0), true, 126},
        {"N 2, Down on units", CountEditor(2, 0), false, 2},
        {"N 10, Down on tens", CountEditor(10, 1), false, 2},
        {"N 1995, Up on tens", CountEditor(1995, 1), true, 2000},
        {"N 1500, Up on thousands", CountEditor(1500, 3), true, 2000},
        {"N 10, Up on thousands", CountEditor(10, 3), true, 1010},
        {"N 2000, Up on units", CountEditor(2000, 0), true, 2000},
    };
    for (const Case& c : cases) {
        int16_t v = c.editor.editInt;
        const int16_t r = c.up ? c.editor.IncIntDigit(v) : c.editor.DecIntDigit(v);
        EXPECT_EQ(r, c.result) << c.what;
        EXPECT_EQ(v, c.result) << c.what << " (stored into the argument)";
    }
}

TEST(IntDigitSteps, NearTheEndsOfSixteenBitsTheClampHolds) {
    IntEditor e = CountEditor(32000, 3);
    e.editIntMax = 32767;
    e.editIntMin = -32768;
    int16_t v = 32000;
    EXPECT_EQ(e.IncIntDigit(v), 32767);  // 33000 does not wrap to a negative count
    v = -32000;
    EXPECT_EQ(e.DecIntDigit(v), -32768);
}

TEST(IntEditorCursor, StepsOverTheDecimalPoint) {
    struct Case {
        IntEditor editor;
        int16_t selStart;
    };
    const Case cases[] = {
        {LevelEditor(0, 0), 11}, {LevelEditor(0, 1), 10}, {LevelEditor(0, 2), 8},
        {CountEditor(10, 0), 21}, {CountEditor(10, 1), 20}, {CountEditor(10, 2), 19}, {CountEditor(10, 3), 18},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.editor.CursorPosition(), c.selStart) << "last " << c.editor.editIntLastPos << " cursor "
                                                         << c.editor.editCursor;
    }
}

}  // namespace
