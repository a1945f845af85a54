#include "readings/reading_parser.h"

namespace kt {

bool IsNumberChar(char c) {
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == '*' || c == 'E';
}

ReadingParts ParseReading(std::string_view text) {
    // The final character (the line feed) is never examined nor shown.
    const std::string_view line = text.empty() ? text : text.substr(0, text.size() - 1);

    std::size_t pos = 0;
    while (pos < line.size() && IsNumberChar(line[pos])) ++pos;
    const std::string_view number = line.substr(0, pos);

    ReadingParts parts;
    if (pos < line.size()) {
        const char c = line[pos];
        if (c == 'M' || c == 'k' || c == 'm' || c == 'u') {
            parts.prefix = c;
            ++pos;
        }
    }
    if (line.substr(pos, 2) == "Hz") {
        parts.hertz = true;
        pos += 2;
    }
    parts.display.reserve(line.size() + 1);
    parts.display.append(number);
    parts.display.append(line.substr(pos));
    parts.display.push_back(' ');
    return parts;
}

}  // namespace kt
