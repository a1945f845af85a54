#include "core/line_tap.h"

#include "core/receive_text.h"

namespace kt {

namespace {

bool IsReadingLine(std::string_view line) { return line != "LOC" && line.substr(0, 6) != "SAMPLE"; }

}  // namespace

void LineTap::Received(std::string_view bytes, bool taking, std::string_view function,
                       std::chrono::nanoseconds age) {
    std::size_t start = 0;
    for (std::size_t lf = bytes.find('\n'); lf != std::string_view::npos; lf = bytes.find('\n', start)) {
        std::string_view piece = bytes.substr(start, lf - start);
        start = lf + 1;
        std::string_view line = piece;
        if (!pending_.empty()) {
            AppendReceived(pending_, piece);
            line = pending_;
        }
        // "LOC" with a carriage return does not disconnect the panel: it is a
        // reading like any other text, as the display treats it.
        const bool reading = IsReadingLine(line);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (taking && observer != nullptr && reading) observer->OnReceivedLine(line, function, age);
        pending_.clear();
    }
    AppendReceived(pending_, bytes.substr(start));
}

}  // namespace kt
