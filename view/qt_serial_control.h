// The serial control over a real port (QSerialPort). Port N opens the device
// named for it (command line, device chooser), else the one the mapping rule
// gives among the ports present now.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QSerialPort>

#include "core/serial_control.h"
#include "ports/port_map.h"

class QTimer;

namespace kt {

using PortLister = std::function<std::vector<PortEntry>()>;

class QtSerialControl : public QObject, public SerialControl {
    Q_OBJECT
public:
    // portDevices: devices named on the command line for port numbers.
    explicit QtSerialControl(std::map<int, std::string> portDevices = {}, QObject* parent = nullptr);
    ~QtSerialControl() override;

    // The devices named for port numbers.
    PortMap& Ports() { return ports_; }
    // Where the present ports come from (the system's list unless replaced).
    void SetPortLister(PortLister lister) { lister_ = std::move(lister); }
    const PortLister& Lister() const { return lister_; }

    // What port number n opens now, and the device alone.
    PortChoice ChoiceForPort(int n) const;
    std::string DeviceForPort(int n) const;

    void SetCommPort(int16_t port) override;
    [[nodiscard]] int16_t CommPort() const override;
    void SetSettings(const std::string& settings) override;
    [[nodiscard]] std::string Settings() const override;
    void SetHandshaking(int32_t mode) override;
    [[nodiscard]] int32_t Handshaking() const override;
    void SetDTREnable(bool on) override;
    [[nodiscard]] bool DTREnable() const override;
    void SetPortOpen(bool open) override;
    [[nodiscard]] bool PortOpen() const override;
    void Output(const std::string& text) override;
    [[nodiscard]] std::string Input() override;
    [[nodiscard]] bool MoreReceived() const override;
    [[nodiscard]] std::chrono::nanoseconds InputAge() const override { return inputAge_; }
    void ReceiveHeld() override;
    [[nodiscard]] bool DSRHolding() const override;
    [[nodiscard]] int CommandsWaiting() const override;
    [[nodiscard]] std::string DeviceName() const override;
    [[nodiscard]] SerialFault LastFault() const override;
    [[nodiscard]] std::string LastFaultText() const override;

private:
    void Open();
    void Close();
    // Lets go of the port at once, dropping whatever is still queued.
    void Release();
    void OnPortError(QSerialPort::SerialPortError error);
    // Closes the port and raises OnFault from the event loop, once.
    void FailWhileOpen(SerialFault fault, const std::string& text);
    void ApplyDtr();

    // Receiving. A piece that arrives after a quiet spell is handed on at
    // once, as one receive event. While the counter streams, the port is read
    // once per gathering period instead of at every line, and what was
    // gathered is handed on one line per receive event, as the lines would
    // have arrived one by one.
    void OnReadyRead();
    void OnGatherTick();
    void MaybeHold(bool lineEnded);
    void CountRead(qint64 bytes);
    [[nodiscard]] bool Flooding() const;
    void Deliver();

    // Forgets the commands that have left: everything the port has taken
    // except what it, or the driver below it, still holds.
    void DropSentCommands() const;

    PortMap ports_;
    PortLister lister_;
    QSerialPort* port_ = nullptr;  // exists only while the port is open
    std::string openDevice_;       // the device port_ opened, or the last open tried
    int16_t openPortNumber_ = 0;   // the port number it opened as
    // Errors raised while the adapter itself configures, probes or closes
    // the port are not line failures: a pseudo-terminal, for one, refuses
    // the modem-line calls. quiet_ counts such calls in progress.
    mutable int quiet_ = 0;
    // Counts opens, so that a fault report still queued from an earlier
    // session is dropped once the port has been opened again.
    uint32_t session_ = 0;
    int16_t commPort_ = 1;
    std::string settings_ = "9600,n,8,1";
    int32_t handshaking_ = 0;
    bool dtr_ = false;
    // Bytes handed to the port since it opened, and where each command
    // still on its way ends in that count.
    qint64 bytesQueued_ = 0;
    mutable std::deque<qint64> commandEnds_;
    SerialFault fault_ = SerialFault::None;
    std::string faultText_;

    QTimer* gather_ = nullptr;
    bool holding_ = false;        // reading waits for gather_
    bool pulling_ = false;        // the gathering tick is reading the port
    std::string gathered_;        // read, not yet handed on
    std::size_t handedOut_ = 0;   // of gathered_
    // Arrival times: the lines gathered in one read are spread evenly over
    // the time since the read before it.
    using Clock = std::chrono::steady_clock;
    Clock::time_point lastRead_{};
    Clock::time_point gatheredFrom_{};
    Clock::time_point gatheredTo_{};
    std::size_t gatheredPieces_ = 0;
    std::size_t piecesOut_ = 0;
    std::chrono::nanoseconds inputAge_{};
    QElapsedTimer period_;        // since the current period began
    qint64 periodBytes_ = 0;      // read in the current period
    qint64 lastPeriodBytes_ = 0;  // read in the period before
    bool lineEnded_ = false;      // the last read ended with a line feed
    QElapsedTimer sinceLine_;     // since the last read that ended a line
    int linesInRow_ = 0;          // reads that ended a line, each soon after the one before
    QPointer<QSocketNotifier> readNotifier_;
};

}  // namespace kt
