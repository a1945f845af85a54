#include "core/line_tap.h"

#include <algorithm>

#include "core/receive_text.h"

namespace kt {

void LineTap::Received(std::string_view buffer, std::size_t read, bool taking, std::string_view function,
                       ReadTime time) const {
    if (!taking || observer == nullptr || read == 0) return;
    const std::size_t fresh = buffer.size() - std::min(read, buffer.size());
    std::size_t lf = buffer.find('\n', fresh);
    if (lf == std::string_view::npos) return;
    // The first line that ends in this read begins after the line feed before
    // it, or where the buffer begins.
    const std::size_t before = fresh == 0 ? std::string_view::npos : buffer.rfind('\n', fresh - 1);
    std::size_t start = before == std::string_view::npos ? 0 : before + 1;
    for (; lf != std::string_view::npos; lf = buffer.find('\n', start)) {
        // Each line with its line feed is judged as the receive assembly
        // judges a completed text; "LOC" with a carriage return is a reading.
        const std::string_view withLineFeed = buffer.substr(start, lf + 1 - start);
        start = lf + 1;
        if (ClassifyReceived(withLineFeed) != ReceivedKind::Reading) continue;
        std::string_view line = withLineFeed.substr(0, withLineFeed.size() - 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        observer->OnReceivedLine(line, function, time);
    }
}

}  // namespace kt
