#include "ports/port_settings.h"

#include <array>
#include <charconv>

namespace kt {

namespace {

// Splits at commas; nothing when the count of fields is not exactly four.
std::optional<std::array<std::string_view, 4>> SplitFour(std::string_view text) {
    std::array<std::string_view, 4> fields;
    size_t n = 0;
    while (true) {
        const size_t comma = text.find(',');
        if (n == fields.size()) return std::nullopt;
        fields[n++] = text.substr(0, comma);
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    if (n != fields.size()) return std::nullopt;
    return fields;
}

std::optional<int32_t> ParseBaud(std::string_view s) {
    int32_t baud = 0;
    if (s.empty() || s.front() < '0' || s.front() > '9') return std::nullopt;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), baud);
    if (ec != std::errc() || end != s.data() + s.size() || baud <= 0) return std::nullopt;
    return baud;
}

std::optional<Parity> ParseParity(std::string_view s) {
    if (s.size() != 1) return std::nullopt;
    switch (s.front()) {
    case 'n': case 'N': return Parity::None;
    case 'e': case 'E': return Parity::Even;
    case 'o': case 'O': return Parity::Odd;
    case 'm': case 'M': return Parity::Mark;
    case 's': case 'S': return Parity::Space;
    default: return std::nullopt;
    }
}

std::optional<int> ParseDataBits(std::string_view s) {
    if (s.size() != 1 || s.front() < '5' || s.front() > '8') return std::nullopt;
    return s.front() - '0';
}

std::optional<StopBits> ParseStopBits(std::string_view s) {
    if (s == "1") return StopBits::One;
    if (s == "1.5") return StopBits::OneAndHalf;
    if (s == "2") return StopBits::Two;
    return std::nullopt;
}

}  // namespace

std::optional<PortFraming> ParsePortSettings(std::string_view text) {
    const auto fields = SplitFour(text);
    if (!fields) return std::nullopt;
    const auto baud = ParseBaud((*fields)[0]);
    const auto parity = ParseParity((*fields)[1]);
    const auto dataBits = ParseDataBits((*fields)[2]);
    const auto stopBits = ParseStopBits((*fields)[3]);
    if (!baud || !parity || !dataBits || !stopBits) return std::nullopt;
    return PortFraming{*baud, *parity, *dataBits, *stopBits};
}

FlowControl FlowControlFor(int32_t handshaking) {
    switch (handshaking) {
    case 1: return FlowControl::Software;
    case 2:
    case 3: return FlowControl::Hardware;
    default: return FlowControl::None;
    }
}

}  // namespace kt
