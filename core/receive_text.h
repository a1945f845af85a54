// Pure helpers of the receive path: the bounded receive buffer and the kinds
// of completed text the counter sends. Bytes are single-byte characters
// (Latin-1), never decoded; NUL and bytes above 127 are ordinary characters.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kt {

// The receive buffer holds at most this many characters, as a text box does;
// when more arrive without a line feed, the oldest are dropped.
constexpr std::size_t kReceiveLimit = 65535;

// Appends bytes to the receive buffer and drops the oldest characters beyond
// kReceiveLimit. The newest characters, and so the last one, always survive.
void AppendReceived(std::string& buffer, std::string_view bytes);

// True when the buffer holds a completed text: its last character is a line feed.
bool EndsWithLineFeed(std::string_view buffer);

// What a completed text (everything up to and including a line feed) is.
enum class ReceivedKind {
    LocalLine,  // exactly "LOC" and a line feed: the counter went back to local
    Sample,     // begins with "SAMPLE": neither parsed nor shown
    Reading,    // anything else: a reading or a reply
};
ReceivedKind ClassifyReceived(std::string_view text);

}  // namespace kt
