// The serial control over a real port (QSerialPort). Port N opens the device
// named for it (command line, device chooser), else the one the mapping rule
// gives among the ports present now.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <QObject>
#include <QSerialPort>

#include "core/serial_control.h"
#include "ports/port_map.h"

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
    [[nodiscard]] ReadTime InputTime() const override { return readTime_; }
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

    // Receiving: every read of the port is one receive event, raised as the
    // port reads, with what that read returned and when.
    void OnReadyRead();

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

    std::string received_;  // what the last read returned, until Input() takes it
    ReadTime readTime_{};   // when that read was made
};

}  // namespace kt
