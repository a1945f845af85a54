// Splits one received reading into what the display shows: the characters of
// the number and everything else the line holds, one metric prefix letter and
// the unit "Hz". The value is never converted, rounded or reformatted.
#pragma once

#include <string>
#include <string_view>

namespace kt {

struct ReadingParts {
    // The display text: the number, the rest of the line (without the prefix
    // letter, "Hz" and the final character), then one blank.
    std::string display;
    // 'M' or 'k' (upper row), 'm' or 'u' (lower row), or 0 for none.
    char prefix = 0;
    // The line carries "Hz" right after the number or its prefix.
    bool hertz = false;
};

// True for the characters a number is made of: digits, '-', '+', '.', '*', 'E'.
bool IsNumberChar(char c);

// text is a completed text as received: its last character is the line feed
// that ended it and is never shown.
ReadingParts ParseReading(std::string_view text);

}  // namespace kt
