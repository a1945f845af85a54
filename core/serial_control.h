// What the panel uses of a serial port. Bytes are single-byte characters in a
// std::string, passed unchanged both ways: no encoding conversion, no CR added.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace kt {

// Why the port failed, in terms the user can act on.
enum class SerialFault {
    None,
    PortMissing,     // no such device
    PortBusy,        // another program holds the port
    NoPermission,    // the user may not open the device
    OpenFailed,      // any other reason the port would not open
    DeviceLost,      // the device vanished while open (adapter pulled, line closed)
    WriteFailed,     // a command could not be handed to the line
};

// When bytes were read from the line, on both clocks: the wall clock for the
// time of day, the monotonic clock for intervals between readings.
struct ReadTime {
    std::chrono::system_clock::time_point wall{};
    std::chrono::steady_clock::time_point steady{};

    static ReadTime Now() { return {std::chrono::system_clock::now(), std::chrono::steady_clock::now()}; }
};

class SerialControl {
public:
    virtual ~SerialControl() = default;

    // Port number 1..5; takes effect at the next open.
    virtual void SetCommPort(int16_t port) = 0;
    [[nodiscard]] virtual int16_t CommPort() const = 0;
    // "9600,n,8,1" and the like; takes effect at the next open.
    virtual void SetSettings(const std::string& settings) = 0;
    [[nodiscard]] virtual std::string Settings() const = 0;
    // 0 = none, 1 = XON/XOFF.
    virtual void SetHandshaking(int32_t mode) = 0;
    [[nodiscard]] virtual int32_t Handshaking() const = 0;
    // Assert DTR while the port is open.
    virtual void SetDTREnable(bool on) = 0;
    [[nodiscard]] virtual bool DTREnable() const = 0;

    // true opens the port with the current port number and settings, false
    // closes it. An open that fails leaves PortOpen() false and LastFault()
    // and LastFaultText() telling why.
    virtual void SetPortOpen(bool open) = 0;
    [[nodiscard]] virtual bool PortOpen() const = 0;

    // Sends text. A failed write is reported through OnFault, never from
    // inside this call.
    virtual void Output(const std::string& text) = 0;
    // Everything received since the last call; reading empties the buffer.
    // Every read of the line raises one receive event, and Input() then
    // returns exactly what that read returned.
    [[nodiscard]] virtual std::string Input() = 0;
    // When the bytes the last Input() returned were read from the line.
    [[nodiscard]] virtual ReadTime InputTime() const = 0;
    // State of the DSR input line.
    [[nodiscard]] virtual bool DSRHolding() const = 0;
    // Commands handed to Output that have not yet gone out on the line (held
    // back by the counter's XOFF, say).
    [[nodiscard]] virtual int CommandsWaiting() const { return 0; }

    // The device that the current port number opens ("/dev/ttyUSB0", "COM1").
    [[nodiscard]] virtual std::string DeviceName() const = 0;
    // The fault of the last failed open or of the last OnFault.
    [[nodiscard]] virtual SerialFault LastFault() const = 0;
    // Plain words about that fault, naming the port and the device.
    [[nodiscard]] virtual std::string LastFaultText() const = 0;

    // Raised when characters arrive (and on other port events).
    std::function<void()> OnComm;
    // Raised, as an event of its own, when the open port fails (device lost,
    // write failed). The port is closed by the time it is raised.
    std::function<void(SerialFault, const std::string&)> OnFault;
};

}  // namespace kt
