#include "view/qt_serial_control.h"

#include <QSerialPort>

namespace kt {

std::string DefaultDeviceForPort(int n) { return "/dev/ttyS" + std::to_string(n - 1); }

QtSerialControl::QtSerialControl(std::map<int, std::string> portDevices, QObject* parent)
    : QObject(parent), portDevices_(std::move(portDevices)) {}
QtSerialControl::~QtSerialControl() = default;
std::string QtSerialControl::DeviceForPort(int n) const { return DefaultDeviceForPort(n); }
void QtSerialControl::SetCommPort(int16_t port) { commPort_ = port; }
int16_t QtSerialControl::CommPort() const { return commPort_; }
void QtSerialControl::SetSettings(const std::string& settings) { settings_ = settings; }
std::string QtSerialControl::Settings() const { return settings_; }
void QtSerialControl::SetHandshaking(int32_t mode) { handshaking_ = mode; }
int32_t QtSerialControl::Handshaking() const { return handshaking_; }
void QtSerialControl::SetDTREnable(bool on) { dtr_ = on; }
bool QtSerialControl::DTREnable() const { return dtr_; }
void QtSerialControl::SetPortOpen(bool) {}
bool QtSerialControl::PortOpen() const { return false; }
void QtSerialControl::Output(const std::string&) {}
std::string QtSerialControl::Input() { return {}; }
bool QtSerialControl::DSRHolding() const { return false; }
std::string QtSerialControl::DeviceName() const { return DeviceForPort(commPort_); }
SerialFault QtSerialControl::LastFault() const { return fault_; }
std::string QtSerialControl::LastFaultText() const { return faultText_; }

}  // namespace kt
