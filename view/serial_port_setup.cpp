#include "view/serial_port_setup.h"

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

std::optional<qint32> ParseBaud(std::string_view s) {
    qint32 baud = 0;
    if (s.empty() || s.front() < '0' || s.front() > '9') return std::nullopt;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), baud);
    if (ec != std::errc() || end != s.data() + s.size() || baud <= 0) return std::nullopt;
    return baud;
}

std::optional<QSerialPort::Parity> ParseParity(std::string_view s) {
    if (s.size() != 1) return std::nullopt;
    switch (s.front()) {
    case 'n': case 'N': return QSerialPort::NoParity;
    case 'e': case 'E': return QSerialPort::EvenParity;
    case 'o': case 'O': return QSerialPort::OddParity;
    case 'm': case 'M': return QSerialPort::MarkParity;
    case 's': case 'S': return QSerialPort::SpaceParity;
    default: return std::nullopt;
    }
}

std::optional<QSerialPort::DataBits> ParseDataBits(std::string_view s) {
    if (s == "5") return QSerialPort::Data5;
    if (s == "6") return QSerialPort::Data6;
    if (s == "7") return QSerialPort::Data7;
    if (s == "8") return QSerialPort::Data8;
    return std::nullopt;
}

std::optional<QSerialPort::StopBits> ParseStopBits(std::string_view s) {
    if (s == "1") return QSerialPort::OneStop;
    if (s == "1.5") return QSerialPort::OneAndHalfStop;
    if (s == "2") return QSerialPort::TwoStop;
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

QSerialPort::FlowControl FlowControlFor(int32_t handshaking) {
    switch (handshaking) {
    case 1: return QSerialPort::SoftwareControl;
    case 2:
    case 3: return QSerialPort::HardwareControl;
    default: return QSerialPort::NoFlowControl;
    }
}

std::string LinuxDeviceForPort(int n, const std::function<bool(const std::string&)>& exists) {
    const std::string usb = "/dev/ttyUSB" + std::to_string(n - 1);
    if (exists(usb)) return usb;
    return "/dev/ttyS" + std::to_string(n - 1);
}

}  // namespace kt
