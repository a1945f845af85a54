// Reading forms, gate resolutions and the byte-exact log escapes.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <set>
#include <string>

#include "escape.h"
#include "support/reading_vectors.h"
#include "readings.h"

namespace ktsim {
namespace {

struct FormCase {
    const char* what;
    std::string text;
    const char* expected;
};

// The counter's own forms of the shared reading texts: the value written with
// as many digits as the text shows gives the text back, prefix and unit
// included (GHz stays in MHz, ns and us for short periods, no unit for a ratio).
TEST(SimReadingForms, TheCounterFormsOfTheSharedReadingTexts) {
    int checked = 0;
    for (const kt::test::ReadingVector& r : kt::test::ReadingVectors()) {
        if (r.section != "counter") continue;
        SCOPED_TRACE(r.line);
        ASSERT_TRUE(r.HasValue());
        int digits = 0;
        for (char c : r.line) digits += std::isdigit(static_cast<unsigned char>(c)) ? 1 : 0;
        const double value = std::stod(r.value);
        const std::string text = r.unit == "Hz" ? FormatFrequency(value, digits)
                                 : r.unit == "s" ? FormatPeriod(value, digits)
                                                 : FormatRatio(value, digits);
        EXPECT_EQ(text, r.line);
        ++checked;
    }
    EXPECT_GE(checked, 5);
}

TEST(SimReadingForms, RoundingAndWideNumbers) {
    const FormCase cases[] = {
        {"rounding carries into a new digit", FormatFrequency(999'999.9999, 8), "1000.0000kHz"},
        {"more integer digits than digits shown", FixedDigits(123456.0, 4), "123456"},
    };
    for (const FormCase& c : cases) EXPECT_EQ(c.text, c.expected) << c.what;
}

TEST(SimReadingForms, ResolutionFollowsTheGateTime) {
    const struct {
        int gate;
        int digits;
    } cases[] = {{0, 7}, {1, 8}, {2, 9}, {3, 9}, {5, 10}, {6, 10}, {8, 11},
                 {9, 11}, {11, 12}, {14, 12}, {16, 12}, {kExternalGate, 11}};
    for (const auto& c : cases) EXPECT_EQ(DigitsForGate(c.gate), c.digits) << "gate " << GateName(c.gate);
}

TEST(SimReadingForms, GateTableMatchesTheCounterMenu) {
    EXPECT_EQ(kGateCount, 18);
    EXPECT_EQ(GateMicros(0), 10);
    EXPECT_EQ(GateMicros(kPowerOnGate), 100'000);
    EXPECT_STREQ(GateName(kPowerOnGate), "100mS");
    EXPECT_EQ(GateMicros(11), 1'000'000);
    EXPECT_STREQ(GateName(kExternalGate), "EXTERNL");
    EXPECT_EQ(GateMicros(-1), 100'000);
    EXPECT_EQ(GateMicros(kGateCount), 100'000);
}

TEST(SimReadingForms, NoiseMovesOnlyTheLastFewDigits) {
    NoiseSource noise(7);
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        const std::string text = FormatFrequency(noise.Jitter(10'000'000.123, 11), 11);
        ASSERT_EQ(text.size(), std::string("10.000000123MHz").size()) << text;
        const double mhz = std::strtod(text.c_str(), nullptr);
        // within ten counts of the last digit (1 mHz)
        EXPECT_NEAR(mhz, 10.000000123, 10e-9) << text;
        seen.insert(text);
    }
    EXPECT_GT(seen.size(), 3u) << "readings should differ in their last places";
}

TEST(SimReadingForms, SameSeedGivesTheSameReadings) {
    NoiseSource a(42);
    NoiseSource b(42);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(a.Jitter(1e6, 10), b.Jitter(1e6, 10));
}

TEST(SimEscapes, ControlAndHighBytesAreShownExactly) {
    EXPECT_EQ(EscapeBytes("*IDN?\n"), "*IDN?\\n");
    EXPECT_EQ(EscapeBytes("LOC\r\n"), "LOC\\r\\n");
    EXPECT_EQ(EscapeBytes(std::string("\x00\x7f\xff", 3)), "\\x00\\x7F\\xFF");
    EXPECT_EQ(EscapeBytes("a\\b\"c\t"), "a\\\\b\\\"c\\t");
}

TEST(SimEscapes, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(UnescapeText(EscapeBytes(all)), all);
}

TEST(SimEscapes, IncompleteEscapesStayAsTheyAre) {
    EXPECT_EQ(UnescapeText("a\\"), "a\\");
    EXPECT_EQ(UnescapeText("\\x4"), "\\x4");
    EXPECT_EQ(UnescapeText("\\xZZ"), "\\xZZ");
    EXPECT_EQ(UnescapeText("\\q"), "\\q");
    EXPECT_EQ(UnescapeText("\\x41\\x0a"), "A\n");
}

}  // namespace
}  // namespace ktsim
