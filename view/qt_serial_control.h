// The serial control over a real port (QSerialPort). Port N opens the device
// named for it on the command line, else the platform's usual device for N.
#pragma once

#include <map>
#include <string>

#include <QObject>

#include "core/serial_control.h"

class QSerialPort;

namespace kt {

// The device that port number n (1..5) opens when the command line names none:
// COMn on Windows; on Linux /dev/ttyUSB{n-1} when it exists, else /dev/ttyS{n-1}.
std::string DefaultDeviceForPort(int n);

class QtSerialControl : public QObject, public SerialControl {
    Q_OBJECT
public:
    // portDevices: devices named on the command line for port numbers.
    explicit QtSerialControl(std::map<int, std::string> portDevices = {}, QObject* parent = nullptr);
    ~QtSerialControl() override;

    // The device that port number n opens.
    std::string DeviceForPort(int n) const;

    void SetCommPort(int16_t port) override;
    int16_t CommPort() const override;
    void SetSettings(const std::string& settings) override;
    std::string Settings() const override;
    void SetHandshaking(int32_t mode) override;
    int32_t Handshaking() const override;
    void SetDTREnable(bool on) override;
    bool DTREnable() const override;
    void SetPortOpen(bool open) override;
    bool PortOpen() const override;
    void Output(const std::string& text) override;
    std::string Input() override;
    bool DSRHolding() const override;
    std::string DeviceName() const override;
    SerialFault LastFault() const override;
    std::string LastFaultText() const override;

private:
    std::map<int, std::string> portDevices_;
    QSerialPort* port_ = nullptr;
    int16_t commPort_ = 1;
    std::string settings_ = "9600,n,8,1";
    int32_t handshaking_ = 0;
    bool dtr_ = false;
    SerialFault fault_ = SerialFault::None;
    std::string faultText_;
};

}  // namespace kt
