// The measuring function's name, taken from the function menus' texts.
#include <array>
#include <cstddef>
#include <string_view>

#include "core/panel_codes.h"
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

}  // namespace kt
