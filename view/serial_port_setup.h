// How the serial control's settings become a port's parameters: the settings
// text ("9600,n,8,1": baud rate, parity letter, data bits, stop bits), the
// handshaking number and the port number's device.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include <QSerialPort>

namespace kt {

// The framing that a settings text asks for.
struct PortFraming {
    qint32 baud = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;

    bool operator==(const PortFraming&) const = default;
};

// Reads "baud,parity,data,stop". Parity is one letter: n(one), e(ven), o(dd),
// m(ark) or s(pace), either case; data bits 5 to 8; stop bits 1, 1.5 or 2.
// Anything else, including blanks, missing or extra fields, gives nothing.
std::optional<PortFraming> ParsePortSettings(std::string_view text);

// 0 none, 1 XON/XOFF, 2 RTS/CTS; 3 (RTS and XON/XOFF together) cannot be
// had at once and takes RTS/CTS. Any other number means none.
QSerialPort::FlowControl FlowControlFor(int32_t handshaking);

// The usual device of port number n on Linux, given a test for whether a
// device exists: /dev/ttyUSB{n-1} when it does, else /dev/ttyS{n-1}.
std::string LinuxDeviceForPort(int n, const std::function<bool(const std::string&)>& exists);

}  // namespace kt
