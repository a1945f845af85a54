// How the serial control's settings become a port's parameters: the settings
// text ("9600,n,8,1": baud rate, parity letter, data bits, stop bits) and the
// handshaking number. Plain values; the serial adapter turns them into its
// driver's own.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kt {

enum class Parity { None, Even, Odd, Mark, Space };
enum class StopBits { One, OneAndHalf, Two };
enum class FlowControl { None, Software, Hardware };

// The framing that a settings text asks for.
struct PortFraming {
    int32_t baud = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;  // 5 to 8
    StopBits stopBits = StopBits::One;

    bool operator==(const PortFraming&) const = default;
};

// Reads "baud,parity,data,stop". Parity is one letter: n(one), e(ven), o(dd),
// m(ark) or s(pace), either case; data bits 5 to 8; stop bits 1, 1.5 or 2.
// Anything else, including blanks, missing or extra fields, gives nothing.
std::optional<PortFraming> ParsePortSettings(std::string_view text);

// 0 none, 1 XON/XOFF, 2 RTS/CTS; 3 (RTS and XON/XOFF together) cannot be
// had at once and takes RTS/CTS. Any other number means none.
FlowControl FlowControlFor(int32_t handshaking);

}  // namespace kt
