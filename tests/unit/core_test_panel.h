// A panel on a fake serial line, with the steps that the core tests share.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "core/soft_panel.h"
#include "support/fake_serial.h"

namespace kt::test {

// The identification replies of the two models.
inline const std::string kReplyFull = "VENDOR,KT46290-1.5G,SN001,V1.0\n";
inline const std::string kReplyA = "VENDOR,KT46290A-16G,SN002,V1.0\n";

class CorePanelTest : public ::testing::Test {
protected:
    // Starts the program: pictures, serial defaults, connect ("*IDN?" sent).
    void Load() {
        panel.appPath = "/opt/kt";
        panel.Form_Load();
    }
    // The counter answers and the identification timer fires.
    void Identify(const std::string& reply) {
        if (!reply.empty()) serial.Receive(reply);
        panel.timPowerOn_Timer();
    }
    void LoadAndIdentify(const std::string& reply = kReplyFull) {
        Load();
        Identify(reply);
    }
    // A reconnect with the power key from the disconnected state.
    void Reconnect(const std::string& reply) {
        panel.cmdPower_Click();
        Identify(reply);
    }
    bool Connected() const { return serial.PortOpen() && panel.view.cmdPower.Caption == "断开"; }

    FakeSerial serial;
    SoftPanel panel{serial};
};

}  // namespace kt::test
