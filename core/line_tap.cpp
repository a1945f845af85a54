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

}  // namespace

std::string_view MeasFunctionName(int measFunction) {
    if (measFunction < function::kFirstPeriod) return Pick(menus::kFreqFuncTexts, measFunction);
    if (measFunction < function::kFreqCheck) return Pick(menus::kPeriodFuncTexts, measFunction - function::kFirstPeriod);
    return Pick(menus::kOtherFuncTexts, measFunction - function::kFreqCheck);
}

void LineTap::Completed(std::string_view text, bool taking, std::string_view function, ReadTime read) const {
    if (!taking || observer == nullptr) return;
    std::size_t start = 0;
    for (std::size_t lf = text.find('\n'); lf != std::string_view::npos; lf = text.find('\n', start)) {
        // Each line with its line feed is judged as the receive assembly
        // judges a completed text; "LOC" with a carriage return is a reading.
        const std::string_view withLineFeed = text.substr(start, lf + 1 - start);
        start = lf + 1;
        if (ClassifyReceived(withLineFeed) != ReceivedKind::Reading) continue;
        std::string_view line = withLineFeed.substr(0, withLineFeed.size() - 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        observer->OnReceivedLine(line, function, read);
    }
}

}  // namespace kt
