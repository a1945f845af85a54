// A serial control for tests: records every write, lets the test deliver
// bytes, DSR and faults, and never touches a real port.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/serial_control.h"

namespace kt::test {

class FakeSerial : public SerialControl {
public:
    void SetCommPort(int16_t port) override { port_ = port; }
    [[nodiscard]] int16_t CommPort() const override { return port_; }
    void SetSettings(const std::string& s) override { settings_ = s; }
    [[nodiscard]] std::string Settings() const override { return settings_; }
    void SetHandshaking(int32_t mode) override { handshaking_ = mode; }
    [[nodiscard]] int32_t Handshaking() const override { return handshaking_; }
    void SetDTREnable(bool on) override { dtr_ = on; }
    [[nodiscard]] bool DTREnable() const override { return dtr_; }

    void SetPortOpen(bool open) override {
        if (open && !open_) {
            ++opens;
            if (failNextOpen != SerialFault::None) {
                fault_ = failNextOpen;
                faultText_ = "cannot open " + DeviceName();
                failNextOpen = SerialFault::None;
                return;
            }
        }
        if (!open && open_) ++closes;
        open_ = open;
    }
    [[nodiscard]] bool PortOpen() const override { return open_; }

    void Output(const std::string& text) override {
        written.push_back(text);
        writtenWhileClosed += open_ ? 0 : 1;
    }
    [[nodiscard]] std::string Input() override { return std::exchange(pending_, {}); }
    [[nodiscard]] ReadTime InputTime() const override { return readTime_; }
    [[nodiscard]] bool DSRHolding() const override { return dsr; }
    [[nodiscard]] int CommandsWaiting() const override { return open_ ? waiting : 0; }
    [[nodiscard]] std::string DeviceName() const override { return "/dev/ttyFAKE" + std::to_string(port_ - 1); }
    [[nodiscard]] SerialFault LastFault() const override { return fault_; }
    [[nodiscard]] std::string LastFaultText() const override { return faultText_; }

    // Delivers bytes from the counter, read now or at the time given, and
    // raises the receive event.
    void Receive(const std::string& bytes, ReadTime read = ReadTime::Now()) {
        pending_ += bytes;
        readTime_ = read;
        if (OnComm) OnComm();
    }
    // Reports a fault of the open port, as the adapter does: closed first.
    void Fail(SerialFault fault, const std::string& text) {
        open_ = false;
        fault_ = fault;
        faultText_ = text;
        if (OnFault) OnFault(fault, text);
    }
    // All writes joined, in order.
    std::string AllWritten() const {
        std::string all;
        for (const auto& w : written) all += w;
        return all;
    }
    std::string LastWritten() const { return written.empty() ? std::string() : written.back(); }

    std::vector<std::string> written;
    int writtenWhileClosed = 0;
    int opens = 0;
    int closes = 0;
    bool dsr = false;
    int waiting = 0;  // commands the line holds back
    SerialFault failNextOpen = SerialFault::None;

private:
    int16_t port_ = 1;
    std::string settings_ = "9600,n,8,1";
    int32_t handshaking_ = 0;
    bool dtr_ = false;
    bool open_ = false;
    std::string pending_;
    ReadTime readTime_{};
    SerialFault fault_ = SerialFault::None;
    std::string faultText_;
};

}  // namespace kt::test
