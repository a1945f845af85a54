#include "core/line_tap.h"

#include <algorithm>

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
