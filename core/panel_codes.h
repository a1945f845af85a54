// The numbers the panel's logic shares between its parts, each named once:
// what the display shows (displayCode), the measuring functions, the gate
// times the speed keys choose and the menu messages, and the name of a
// measuring function.
#pragma once

#include <cstdint>
#include <string_view>

namespace kt {

// What the display shows, held in displayCode. The arrow keys, Enter and the
// sign key act on it. The free codes (6, 8, 10, 12, 14, 16 to 29, 41) are
// never set.
namespace display {
enum Code : int16_t {
    kReadings = 0,
    kFreqFuncMenu = 1,     // frequency/ratio function item
    kPeriodFuncMenu = 2,   // period function item
    kOtherFuncMenu = 3,    // other-function item
    kGateTimeMenu = 4,
    kCh1ImpedanceMenu = 5,
    kCh1CouplingMenu = 7,
    kCh1AttenuatorMenu = 9,
    kCh1FilterMenu = 11,
    kTrigLevelEditor = 13,  // the integer editor
    kTrigSlopeMenu = 15,
    kUpperLimitEditor = 30,  // the value editor
    kLowerLimitEditor = 31,  // the value editor
    kLimitTestMenu = 32,
    kOnFailMenu = 33,
    kMathScaleEditor = 34,   // the value editor, never with eleven digits
    kMathOffsetEditor = 35,  // the value editor
    kMathOnOffMenu = 36,
    kStatsShowMenu = 37,
    kStatsF0Editor = 38,     // the value editor
    kStatsCountEditor = 39,  // the integer editor
    kStatsOnOffMenu = 40,
    kMenuMessage = 42,  // "NOT ENTERED ", "NO LIM MENU " and the like
};

// The five settings edited in the value editor.
constexpr bool IsValueSetting(int16_t code) {
    return code == kUpperLimitEditor || code == kLowerLimitEditor || code == kMathScaleEditor ||
           code == kMathOffsetEditor || code == kStatsF0Editor;
}
}  // namespace display

// Measuring functions (measFunction): the frequency/ratio items come first,
// then the periods, then the other function.
namespace function {
constexpr int16_t kFrequency1 = 0;
constexpr int16_t kRatio1To2 = 3;   // the last function with limit, math and statistics menus
constexpr int16_t kFirstPeriod = 7;  // PERIOD 1 .. PERIOD 3 are 7 to 9
constexpr int16_t kFreqCheck = 10;  // the first (and only) other function
}  // namespace function

// The measuring function's name as the counter's menu shows it, without
// trailing blanks ("FREQUENCY 1"); empty for a code outside the menus. The
// names are the menu texts, so it is defined beside them in menus/.
std::string_view MeasFunctionName(int measFunction);

// Gate times (gateTimeIndex) that have a speed key and lamp, and the power-on
// gate time.
namespace gate {
constexpr int16_t k10ms = 5;    // speed key "high"
constexpr int16_t k100ms = 8;   // speed key "fast"; the power-on gate time
constexpr int16_t k400ms = 9;   // speed key "middle"
constexpr int16_t k1s = 11;     // speed key "low"
}  // namespace gate

// Menu messages, by their index in the message texts.
namespace message {
constexpr int16_t kNoTrigMenu = 0;
constexpr int16_t kNoLimMenu = 1;
constexpr int16_t kNoMathMenu = 2;
constexpr int16_t kNoStatMenu = 3;
constexpr int16_t kNotEntered = 4;
}  // namespace message

}  // namespace kt
