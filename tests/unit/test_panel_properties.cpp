// Random sessions: clicks, menu choices, ticks and bytes from the line in any
// order, with the panel's invariants checked after every single step.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "support/connected_panel.h"
#include "support/panel_driver.h"

namespace {

using kt::test::CheckInvariants;
using kt::test::ConnectedPanel;
using kt::test::PanelDriver;

void RunRandomSession(uint32_t seed, int steps) {
    ConnectedPanel session;
    const kt::SoftPanel& panel = session.panel;
    session.panel.Form_Load();
    PanelDriver driver(session.panel, session.serial);
    std::mt19937 rng(seed);
    std::vector<uint8_t> event(64);
    for (int i = 0; i < steps; ++i) {
        for (auto& b : event) b = static_cast<uint8_t>(rng());
        driver.Step(event.data(), event.size());
        const std::string broken = CheckInvariants(panel);
        ASSERT_EQ(broken, "") << "seed " << seed << ", step " << i;
    }
}

TEST(RandomSessions, InvariantsHoldAfterEveryStep) {
    for (uint32_t seed = 1; seed <= 10; ++seed) RunRandomSession(seed, 10000);
}

TEST(RandomSessions, ConnectedSessionKeepsEveryKeyPressOnTheLine) {
    // Once connected, every click of an enabled coded key puts exactly one
    // command on the line, whatever the panel shows at the time.
    ConnectedPanel session;
    kt::SoftPanel& panel = session.panel;
    const kt::test::FakeSerial& serial = session.serial;
    panel.Form_Load();
    session.Identify("VENDOR,KT46290-16G,SN1,V1.0\n");
    ASSERT_TRUE(serial.PortOpen());
    std::mt19937 rng(7);
    for (int i = 0; i < 5000; ++i) {
        const auto& key = kt::test::kClickableKeys[1 + rng() % (kt::test::kClickableKeyCount - 1)];
        const size_t before = serial.written.size();
        if (!(panel.view.*key.button).Enabled) continue;
        (panel.*key.click)();
        ASSERT_EQ(serial.written.size(), before + 1) << "click " << i;
        ASSERT_EQ(serial.written.back().rfind("SYST:KEY ", 0), 0u);
        if (rng() % 4 == 0) panel.timSystemClk_Timer();
    }
}

}  // namespace
