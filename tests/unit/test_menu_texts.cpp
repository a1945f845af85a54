#include <gtest/gtest.h>

#include <array>
#include <string_view>
#include <vector>

#include "menus/menu_texts.h"

namespace {

using namespace kt::menus;

// Every text the counter shows in its menus, as its display shows it,
// trailing blanks included: typed here from the counter's menus, not from
// the panel's tables, so that a changed character (not only a changed
// length) is caught.
template <std::size_t N>
std::vector<std::string_view> Join(const std::array<std::string_view, N>& texts) {
    return {texts.begin(), texts.end()};
}

TEST(MenuTexts, EveryTextReadsAsTheCounterShowsIt) {
    struct Case {
        const char* menu;
        std::vector<std::string_view> panel;
        std::vector<std::string_view> counter;
    };
    const Case lists[] = {
        {"frequency/ratio", Join(kFreqFuncTexts), {"FREQUENCY 1    ", "FREQUENCY 2    ", "FREQUENCY 3    ", "RATIO 1 TO 2      ", "RATIO 1 TO 3      ", "RATIO 2 TO 1      ", "RATIO 3 TO 1      "}},
        {"period", Join(kPeriodFuncTexts), {"PERIOD 1            ", "PERIOD 2            ", "PERIOD 3            "}},
        {"other", Join(kOtherFuncTexts), {"FREQ CHECK     "}},
        {"gate", Join(kGateTimeTexts), {"GATE: 10uS         ", "GATE: 100uS       ", "GATE: 1mS          ", "GATE: 4mS          ", "GATE: 7mS          ", "GATE: 10mS        ", "GATE: 40mS        ", "GATE: 70mS        ", "GATE: 100mS      ", "GATE: 400mS      ", "GATE: 700mS      ", "GATE: 1S             ", "GATE: 4S             ", "GATE: 7S             ", "GATE: 10S           ", "GATE: 100S         ", "GATE: 1000S       ", "GATE: EXTERNL "}},
        {"show", Join(kStatsShowTexts), {"SHOW: MEAS      ", "SHOW: MEAN      ", "SHOW: MAX        ", "SHOW: MIN          ", "SHOW: DELTA    ", "SHOW: REL         ", "SHOW: PPM        ", "SHOW: STD DEV ", "SHOW: ALN AVR "}},
        {"messages", Join(kMenuMessages), {"NO TRIG MENU    ", "NO LIM MENU     ", "NO MATH MENU ", "NO STAT MENU  ", "NOT ENTERED "}},
        {"kCh1ImpedanceTexts", {kCh1ImpedanceTexts.whenTrue, kCh1ImpedanceTexts.whenFalse}, {"CH 1: 50 OHM      ", "CH 1: 1M OHM      "}},
        {"kCh1CouplingTexts", {kCh1CouplingTexts.whenTrue, kCh1CouplingTexts.whenFalse}, {"CH 1: DC              ", "CH 1: AC              "}},
        {"kCh1AttenuationTexts", {kCh1AttenuationTexts.whenTrue, kCh1AttenuationTexts.whenFalse}, {"CH 1: X10 ATT     ", "CH 1: X1  ATT      "}},
        {"kCh1FilterTexts", {kCh1FilterTexts.whenTrue, kCh1FilterTexts.whenFalse}, {"CH 1: LP FILT      ", "CH 1: NO FILT      "}},
        {"kTrigSlopeTexts", {kTrigSlopeTexts.whenTrue, kTrigSlopeTexts.whenFalse}, {"SLOPE: NEG       ", "SLOPE: POS        "}},
        {"kLimitTestTexts", {kLimitTestTexts.whenTrue, kLimitTestTexts.whenFalse}, {"LIM TEST: ON      ", "LIM TEST: OFF    "}},
        {"kOnFailTexts", {kOnFailTexts.whenTrue, kOnFailTexts.whenFalse}, {"ON FAIL: STOP   ", "ON FAIL:GO ON  "}},
        {"kMathOnTexts", {kMathOnTexts.whenTrue, kMathOnTexts.whenFalse}, {"MATH: ON            ", "MATH: OFF          "}},
        {"kStatsOnTexts", {kStatsOnTexts.whenTrue, kStatsOnTexts.whenFalse}, {"STATS: ON          ", "STATS: OFF        "}},
    };
    for (const Case& c : lists) EXPECT_EQ(c.panel, c.counter) << c.menu;
    EXPECT_EQ(kLevelLabel, "LEVEL: ");
    EXPECT_EQ(kLevelUnit, "V      ");
    EXPECT_EQ(kCountLabel, "N:                ");
    EXPECT_EQ(kCountTail, " ");
}

// Which range row a model falls into, and the items that row offers.
TEST(MenuOffers, RangesFallIntoTheirRows) {
    struct Case {
        int16_t range;
        uint8_t freq;
        uint8_t period;
    };
    const Case cases[] = {
        {-3, 0b0000001, 0b001}, {0, 0b0000001, 0b001}, {1, 0b0101011, 0b011}, {4, 0b0101011, 0b011},
        {5, 0b1010101, 0b101},  {6, 0b1010101, 0b101}, {7, 0b1111111, 0b111}, {9, 0b1111111, 0b111},
        {INT16_MAX, 0b1111111, 0b111},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OfferRowFor(c.range).freqOffered, c.freq) << "range " << c.range;
        EXPECT_EQ(OfferRowFor(c.range).periodOffered, c.period) << "range " << c.range;
    }
}

}  // namespace
