#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "menus/menu_texts.h"

namespace {

using namespace kt::menus;

struct StatedText {
    std::string_view text;
    std::size_t length;
};

// Every text the counter shows in its menus, with the length its display
// gives it, trailing blanks included.
std::vector<StatedText> AllTextsWithLengths() {
    std::vector<StatedText> all;
    const std::size_t freq[] = {15, 15, 15, 18, 18, 18, 18};
    for (std::size_t i = 0; i < kFreqFuncTexts.size(); ++i) all.push_back({kFreqFuncTexts[i], freq[i]});
    for (auto t : kPeriodFuncTexts) all.push_back({t, 20});
    all.push_back({kOtherFuncTexts[0], 15});
    const std::size_t gate[] = {19, 18, 19, 19, 19, 18, 18, 18, 17, 17, 17, 21, 21, 21, 20, 19, 18, 14};
    for (std::size_t i = 0; i < kGateTimeTexts.size(); ++i) all.push_back({kGateTimeTexts[i], gate[i]});
    const std::size_t show[] = {16, 16, 17, 19, 15, 18, 17, 14, 14};
    for (std::size_t i = 0; i < kStatsShowTexts.size(); ++i) all.push_back({kStatsShowTexts[i], show[i]});
    const std::size_t message[] = {16, 16, 13, 14, 12};
    for (std::size_t i = 0; i < kMenuMessages.size(); ++i) all.push_back({kMenuMessages[i], message[i]});
    const std::pair<TwoStateTexts, std::pair<std::size_t, std::size_t>> twoState[] = {
        {kCh1ImpedanceTexts, {18, 18}}, {kCh1CouplingTexts, {22, 22}}, {kCh1AttenuationTexts, {18, 19}},
        {kCh1FilterTexts, {19, 19}},    {kTrigSlopeTexts, {17, 18}},   {kLimitTestTexts, {18, 17}},
        {kOnFailTexts, {16, 15}},       {kMathOnTexts, {20, 19}},      {kStatsOnTexts, {19, 18}},
    };
    for (const auto& [texts, lengths] : twoState) {
        all.push_back({texts.whenTrue, lengths.first});
        all.push_back({texts.whenFalse, lengths.second});
    }
    all.push_back({kLevelLabel, 7});
    all.push_back({kLevelUnit, 7});
    all.push_back({kCountLabel, 18});
    all.push_back({kCountTail, 1});
    return all;
}

TEST(MenuTexts, EveryTextHasTheLengthTheCounterShows) {
    const auto all = AllTextsWithLengths();
    EXPECT_EQ(all.size(), 7u + 3 + 1 + 18 + 9 + 5 + 18 + 4);
    for (const auto& [text, length] : all) EXPECT_EQ(text.size(), length) << '"' << text << '"';
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
