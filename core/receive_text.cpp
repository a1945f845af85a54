#include "core/receive_text.h"

namespace kt {

void AppendReceived(std::string& buffer, std::string_view bytes) {
    if (bytes.size() >= kReceiveLimit) {
        buffer.assign(bytes.substr(bytes.size() - kReceiveLimit));
        return;
    }
    buffer.append(bytes);
    if (buffer.size() > kReceiveLimit) buffer.erase(0, buffer.size() - kReceiveLimit);
}

bool EndsWithLineFeed(std::string_view buffer) { return !buffer.empty() && buffer.back() == '\n'; }

ReceivedKind ClassifyReceived(std::string_view text) {
    if (text == "LOC\n") return ReceivedKind::LocalLine;
    if (text.substr(0, 6) == "SAMPLE") return ReceivedKind::Sample;
    return ReceivedKind::Reading;
}

}  // namespace kt
