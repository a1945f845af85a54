// A panel on a fake serial line, with the steps and looks the unit tests of
// the panel logic share: starting the program, the identification handshake,
// ticks of the system clock, the display text, lamps and the written log.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "core/soft_panel.h"
#include "support/fake_serial.h"
#include "support/identity.h"

namespace kt::test {

// The identification replies of the two models.
inline const std::string kReplyFull = kIdentity;
inline const std::string kReplyA = kIdentityA;

struct ConnectedPanel {
    FakeSerial serial;
    SoftPanel panel{serial};

    // Starts the program: pictures, serial defaults, connect ("*IDN?" sent).
    void Load() {
        panel.appPath = "/opt/kt";
        panel.Form_Load();
    }
    // The counter answers (nothing when the reply is empty) and the
    // identification timer fires.
    void Identify(const std::string& reply) {
        if (!reply.empty()) serial.Receive(reply);
        panel.timPowerOn_Timer();
    }
    // Starts the program and lets the counter identify itself.
    void Connect(const std::string& identity = kReplyFull) {
        Load();
        Identify(identity);
    }
    // A reconnect with the power key from the disconnected state.
    void Reconnect(const std::string& reply) {
        panel.cmdPower_Click();
        Identify(reply);
    }
    bool Connected() const { return serial.PortOpen() && panel.view.cmdPower.Caption == "断开"; }

    // The power-on panel state on an open line, without the handshake: what
    // the key and menu tests start from.
    void OpenAndReset() {
        serial.SetPortOpen(true);
        panel.ResetPanelState();
    }

    // Ticks of the 100 ms system clock.
    void Tick(int n = 1) {
        for (int i = 0; i < n; ++i) panel.timSystemClk_Timer();
    }

    const std::string& Display() const { return panel.view.txtDisplay.Text(); }
    static bool Lit(const Lamp& lamp) { return lamp.BackColor == kLampLit; }

    // The bytes written since the last call (or the last ClearWritten).
    std::string Sent() {
        std::string all = serial.AllWritten();
        serial.written.clear();
        return all;
    }
    void ClearWritten() { serial.written.clear(); }
    std::string LastCommand() const { return serial.LastWritten(); }
};

// The same as a test fixture; each test file's SetUp picks its starting state.
class PanelTest : public ::testing::Test, public ConnectedPanel {};

}  // namespace kt::test
