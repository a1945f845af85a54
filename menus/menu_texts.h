// The counter's own menu texts, exactly as its display shows them (trailing
// blanks included), and the table of which function-menu items each model
// offers together with the skips that keep the menus on offered items.
//
// Every text is written here once; the show operations pick from these
// tables by the mirrored menu position.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kt::menus {

using namespace std::string_view_literals;

// ------------------------------------------------------------------ texts

// Frequency/ratio function menu, by freqFuncItem.
inline constexpr std::array<std::string_view, 7> kFreqFuncTexts{
    "FREQUENCY 1    "sv,    "FREQUENCY 2    "sv,    "FREQUENCY 3    "sv,
    "RATIO 1 TO 2      "sv, "RATIO 1 TO 3      "sv, "RATIO 2 TO 1      "sv,
    "RATIO 3 TO 1      "sv,
};

// Period function menu, by periodFuncItem.
inline constexpr std::array<std::string_view, 3> kPeriodFuncTexts{
    "PERIOD 1            "sv,
    "PERIOD 2            "sv,
    "PERIOD 3            "sv,
};

// Other-function menu, by otherFuncItem: a single item.
inline constexpr std::array<std::string_view, 1> kOtherFuncTexts{
    "FREQ CHECK     "sv,
};

// Gate-time menu, by gateTimeIndex.
inline constexpr std::array<std::string_view, 18> kGateTimeTexts{
    "GATE: 10uS         "sv,  "GATE: 100uS       "sv,   "GATE: 1mS          "sv,
    "GATE: 4mS          "sv,  "GATE: 7mS          "sv,  "GATE: 10mS        "sv,
    "GATE: 40mS        "sv,   "GATE: 70mS        "sv,   "GATE: 100mS      "sv,
    "GATE: 400mS      "sv,    "GATE: 700mS      "sv,    "GATE: 1S             "sv,
    "GATE: 4S             "sv, "GATE: 7S             "sv, "GATE: 10S           "sv,
    "GATE: 100S         "sv,  "GATE: 1000S       "sv,   "GATE: EXTERNL "sv,
};

// Statistics SHOW list, by statsShowItem.
inline constexpr std::array<std::string_view, 9> kStatsShowTexts{
    "SHOW: MEAS      "sv,  "SHOW: MEAN      "sv,   "SHOW: MAX        "sv,
    "SHOW: MIN          "sv, "SHOW: DELTA    "sv,   "SHOW: REL         "sv,
    "SHOW: PPM        "sv, "SHOW: STD DEV "sv,      "SHOW: ALN AVR "sv,
};

// Menu messages, by message index.
inline constexpr std::array<std::string_view, 5> kMenuMessages{
    "NO TRIG MENU    "sv,  // trigger key while FREQ CHECK is measured
    "NO LIM MENU     "sv,  // limit keys on a function without limits
    "NO MATH MENU "sv,     // scale key on a function without math
    "NO STAT MENU  "sv,    // statistics key on a function without statistics
    "NOT ENTERED "sv,      // a key pressed while an edited value is unconfirmed
};

// The text of a two-state setting: one text for each value of its flag.
struct TwoStateTexts {
    std::string_view whenTrue;
    std::string_view whenFalse;
};

inline constexpr TwoStateTexts kCh1ImpedanceTexts{"CH 1: 50 OHM      "sv, "CH 1: 1M OHM      "sv};
inline constexpr TwoStateTexts kCh1CouplingTexts{"CH 1: DC              "sv, "CH 1: AC              "sv};
inline constexpr TwoStateTexts kCh1AttenuationTexts{"CH 1: X10 ATT     "sv, "CH 1: X1  ATT      "sv};
inline constexpr TwoStateTexts kCh1FilterTexts{"CH 1: LP FILT      "sv, "CH 1: NO FILT      "sv};
inline constexpr TwoStateTexts kTrigSlopeTexts{"SLOPE: NEG       "sv, "SLOPE: POS        "sv};
inline constexpr TwoStateTexts kLimitTestTexts{"LIM TEST: ON      "sv, "LIM TEST: OFF    "sv};
inline constexpr TwoStateTexts kOnFailTexts{"ON FAIL: STOP   "sv, "ON FAIL:GO ON  "sv};
inline constexpr TwoStateTexts kMathOnTexts{"MATH: ON            "sv, "MATH: OFF          "sv};
inline constexpr TwoStateTexts kStatsOnTexts{"STATS: ON          "sv, "STATS: OFF        "sv};

// The fixed parts around the integer editor's number: the trigger level reads
// "LEVEL: " + level + "V      ", the sample count "N:                " + count + " ".
inline constexpr std::string_view kLevelLabel = "LEVEL: "sv;
inline constexpr std::string_view kLevelUnit = "V      "sv;
inline constexpr std::string_view kCountLabel = "N:                "sv;
inline constexpr std::string_view kCountTail = " "sv;

// ------------------------------------------- items offered by each model

inline constexpr int16_t kFreqFuncItems = 7;
inline constexpr int16_t kPeriodFuncItems = 3;

// One row per group of frequency ranges. A row applies to the ranges below
// rangeBelow that no earlier row took; the last row takes every range left.
//
// The offered masks have bit i set when item i exists on the model. The skip
// maps give, for each item, the item it becomes after a step in that
// direction; items that exist map to themselves. The frequency/ratio forward
// map may give 7 (one past item 6): that result is taken mod 7, so it wraps
// to item 0.
struct OfferRow {
    int16_t rangeBelow;
    uint8_t freqOffered;
    uint8_t periodOffered;
    std::array<int16_t, kFreqFuncItems> freqForward;
    std::array<int16_t, kFreqFuncItems> freqBack;
    std::array<int16_t, kPeriodFuncItems> periodForward;
    std::array<int16_t, kPeriodFuncItems> periodBack;
};

inline constexpr std::array<OfferRow, 4> kOfferTable{{
    // Range 0 ("-225M"): FREQUENCY 1 and PERIOD 1 only.
    {1, 0b0000001, 0b001, {0, 0, 2, 3, 4, 5, 6}, {0, 1, 2, 3, 4, 5, 0}, {0, 0, 2}, {0, 1, 0}},
    // Ranges 1 to 4: channels 1 and 2.
    {5, 0b0101011, 0b011, {0, 1, 3, 3, 5, 5, 7}, {0, 1, 1, 3, 3, 5, 5}, {0, 1, 0}, {0, 1, 1}},
    // Ranges 5 and 6: channels 1 and 3.
    {7, 0b1010101, 0b101, {0, 2, 2, 4, 4, 6, 6}, {0, 0, 2, 2, 4, 4, 6}, {0, 2, 2}, {0, 0, 2}},
    // Ranges 7 to 9: every function.
    {INT16_MAX, 0b1111111, 0b111, {0, 1, 2, 3, 4, 5, 6}, {0, 1, 2, 3, 4, 5, 6}, {0, 1, 2}, {0, 1, 2}},
}};

// The row that applies to a frequency range (signed: any range below 1 is
// the lowest model).
constexpr const OfferRow& OfferRowFor(int16_t frequencyRange) {
    for (std::size_t i = 0; i + 1 < kOfferTable.size(); ++i) {
        if (frequencyRange < kOfferTable[i].rangeBelow) return kOfferTable[i];
    }
    return kOfferTable.back();
}

constexpr bool IsOffered(uint8_t mask, int16_t item) {
    return item >= 0 && item < 8 && ((mask >> item) & 1U) != 0;
}

namespace detail {

// From every offered item, one step (wrapping) followed by one skip lands on
// an offered item, in both directions; an offered item is never skipped.
template <std::size_t N>
constexpr bool SkipsKeepToOffered(uint8_t offered, const std::array<int16_t, N>& forward,
                                  const std::array<int16_t, N>& back) {
    constexpr auto n = static_cast<int16_t>(N);
    for (int16_t item = 0; item < n; ++item) {
        if (!IsOffered(offered, item)) continue;
        if (forward[static_cast<std::size_t>(item)] != item || back[static_cast<std::size_t>(item)] != item)
            return false;
        const int16_t next = static_cast<int16_t>((item + 1) % n);
        const int16_t prev = static_cast<int16_t>(item == 0 ? n - 1 : item - 1);
        if (!IsOffered(offered, static_cast<int16_t>(forward[static_cast<std::size_t>(next)] % n))) return false;
        if (!IsOffered(offered, back[static_cast<std::size_t>(prev)])) return false;
    }
    return true;
}

constexpr bool OfferTableConsistent() {
    for (const OfferRow& row : kOfferTable) {
        if (!IsOffered(row.freqOffered, 0) || !IsOffered(row.periodOffered, 0)) return false;
        if (!SkipsKeepToOffered(row.freqOffered, row.freqForward, row.freqBack)) return false;
        if (!SkipsKeepToOffered(row.periodOffered, row.periodForward, row.periodBack)) return false;
    }
    return true;
}

}  // namespace detail

static_assert(detail::OfferTableConsistent(), "a skip would leave a function menu on an item the model lacks");
static_assert(OfferRowFor(0).rangeBelow == 1 && OfferRowFor(4).rangeBelow == 5 &&
              OfferRowFor(6).rangeBelow == 7 && OfferRowFor(9).rangeBelow == INT16_MAX);

}  // namespace kt::menus
