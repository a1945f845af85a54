// The key numbers the counter knows its front-panel keys by: what a click
// sends after "SYST:KEY ", for every key that sends one, the arrow, sign and
// Enter keys included. Written here once; the key table (keys/), the arrow,
// sign and Enter procedures and the view's help texts all look them up.
//
// Key numbers 3, 6, 18, 23 and 24 belong to no key of the panel; the save,
// utility and key-lock keys and the power key send no key number.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kt {

struct KeyNumber {
    std::string_view button;  // the button's name on the panel
    int16_t number;
};

inline constexpr std::array<KeyNumber, 25> kKeyNumbers{{
    {"cmdFrequency", 1},
    {"cmdOther", 2},
    {"cmdTime", 4},
    {"cmdArm", 5},
    {"cmdUpper", 7},
    {"cmdLimitMode", 8},
    {"cmdRun", 9},
    {"cmdScale", 10},
    {"cmdStats", 11},
    {"cmdStop", 12},
    {"cmdCh1Trig", 13},
    {"cmdCh1Imp", 14},
    {"cmdCh1Coup", 15},
    {"cmdCh1Att", 16},
    {"cmdCh1Filt", 17},
    {"cmdSpeedHigh", 19},
    {"cmdSpeedFast", 20},
    {"cmdSpeedMiddle", 21},
    {"cmdSpeedLow", 22},
    {"cmdUp", 25},
    {"cmdLeft", 26},
    {"cmdRight", 27},
    {"cmdDown", 28},
    {"cmdSign", 29},
    {"cmdEnter", 30},
}};

// The key number of the button, or 0 for a button that sends none.
constexpr int16_t FindKeyNumber(std::string_view button) {
    for (const KeyNumber& key : kKeyNumbers) {
        if (key.button == button) return key.number;
    }
    return 0;
}

// The same where the button is known when building: a name without a key
// number does not compile.
consteval int16_t KeyNumberOf(std::string_view button) {
    const int16_t number = FindKeyNumber(button);
    if (number == 0) throw "this button sends no key number";
    return number;
}

// The command that presses the key on the counter, without its line feed.
inline std::string KeyPressCommand(int16_t number) { return "SYST:KEY " + std::to_string(number); }

}  // namespace kt
