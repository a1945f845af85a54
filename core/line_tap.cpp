#include "core/line_tap.h"

#include "core/panel_codes.h"
#include "core/receive_text.h"
#include "menus/menu_texts.h"

namespace kt {

namespace {

std::string_view TrimRight(std::string_view text) {
    const std::size_t end = text.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

template <std::size_t N>
std::string_view Pick(const std::array<std::string_view, N>& texts, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= N) return {};
    return TrimRight(texts[static_cast<std::size_t>(index)]);
}

bool IsReadingLine(std::string_view line) { return line != "LOC" && line.substr(0, 6) != "SAMPLE"; }

}  // namespace

std::string_view MeasFunctionName(int measFunction) {
    if (measFunction < function::kFirstPeriod) return Pick(menus::kFreqFuncTexts, measFunction);
    if (measFunction < function::kFreqCheck) return Pick(menus::kPeriodFuncTexts, measFunction - function::kFirstPeriod);
    return Pick(menus::kOtherFuncTexts, measFunction - function::kFreqCheck);
}

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
