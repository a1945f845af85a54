// The whole program on a real line: the window and the serial control talk
// to a counter played by the test on the far side of a pseudo-terminal.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QLabel>
#include <QSocketNotifier>

#include "core/soft_panel.h"
#include "support/panel_on_port.h"

namespace kt {
namespace {

using test::PtyLine;
using test::RunFor;
using test::WaitFor;

using test::kConnectedCaption;
using test::kDisconnectedCaption;
using test::kIdentityTitle;
using test::LineCounter;

class Handshake : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(line.ok()); }

    // Shows the window (which connects) and waits for the reset that follows
    // a recognised identity.
    void Connect() {
        window->show();
        ASSERT_TRUE(WaitFor([&] { return counter->Got("*RST"); }, 1500)) << "no *RST; panel message: "
                                                                          << panel->view.lblMessage.Caption;
    }

    PanelView& view() { return panel->view; }
    void ClickPower() {
        auto* power = rig.Key("cmdPower");
        ASSERT_NE(power, nullptr);
        power->click();
    }
    QWidget* Widget(const char* name) { return rig.Find(name); }

    PtyLine line;
    std::unique_ptr<LineCounter> counter = std::make_unique<LineCounter>(line);
    test::PanelOnPort rig{line.slavePath()};
    QtSerialControl* serial = &rig.serial;
    SoftPanel* panel = &rig.panel;
    frmSoftPanel* window = &rig.window;
};

TEST_F(Handshake, IdentifiesTheCounterResetsItAndShowsItsReadings) {
    Connect();
    const auto* idn = counter->Find("*IDN?");
    const auto* rst = counter->Find("*RST");
    ASSERT_NE(idn, nullptr);
    ASSERT_NE(rst, nullptr);
    EXPECT_EQ(counter->texts(), (std::vector<std::string>{"*IDN?", "*RST"}));
    // The reset waits for the identification step, 200 ms after connecting
    // (times count from before the window was shown; timers may fire a
    // little early).
    EXPECT_GE(rst->atMs, 190);
    EXPECT_LT(rst->atMs - idn->atMs, 1000);

    EXPECT_EQ(view().lblTitle.Caption, kIdentityTitle);
    if (auto* title = qobject_cast<QLabel*>(Widget("lblTitle"))) {
        EXPECT_EQ(title->text().toStdString(), kIdentityTitle);
    }
    EXPECT_EQ(view().cmdPower.Caption, kConnectedCaption);
    EXPECT_TRUE(view().cmdFrequency.Enabled);
    EXPECT_TRUE(serial->PortOpen());

    counter->Send("10.000000000MHz\n");
    ASSERT_TRUE(WaitFor([&] { return view().txtDisplay.Text() == "10.000000000 "; }, 1000))
        << '"' << view().txtDisplay.Text() << '"';
    EXPECT_TRUE(view().lblPosExp.Visible);
    EXPECT_EQ(view().lblPosExp.Caption, "M");
    EXPECT_TRUE(view().lblFreqUnit.Visible);
    for (const char* name : {"lblPosExp", "lblFreqUnit"}) {
        if (QWidget* shown = Widget(name)) {
            EXPECT_TRUE(shown->isVisible()) << name;
        }
    }
}

TEST_F(Handshake, ClosingTheWindowReturnsTheCounterToLocalBeforeThePortCloses) {
    Connect();
    window->close();
    EXPECT_FALSE(serial->PortOpen());
    // Already on the line when close() returns: the port handed it over
    // before letting go, no later event loop turn needed.
    counter->Read();
    ASSERT_FALSE(counter->lines().empty());
    EXPECT_EQ(counter->lines().back().text, "SYST:LOC");
}

TEST_F(Handshake, MissingReplyDisconnectsWithoutRetrying) {
    counter->answerIdentity = false;
    window->show();
    ASSERT_TRUE(WaitFor([&] { return counter->Got("*IDN?"); }, 1000));
    ASSERT_TRUE(WaitFor([&] { return view().cmdPower.Caption == kDisconnectedCaption; }, 1000));
    EXPECT_FALSE(serial->PortOpen());
    EXPECT_FALSE(view().cmdFrequency.Enabled);
    RunFor(500);
    counter->Read();
    EXPECT_EQ(counter->texts(), std::vector<std::string>{"*IDN?"});  // no *RST, no second try
    EXPECT_EQ(view().cmdPower.Caption, kDisconnectedCaption);
}

TEST_F(Handshake, LocalLineFromTheCounterDisconnectsSilently) {
    Connect();
    counter->Send("LOC\n");
    ASSERT_TRUE(WaitFor([&] { return view().cmdPower.Caption == kDisconnectedCaption; }, 1000));
    EXPECT_FALSE(serial->PortOpen());
    RunFor(50);
    counter->Read();
    EXPECT_EQ(counter->texts(), (std::vector<std::string>{"*IDN?", "*RST"}));  // nothing sent back
}

TEST_F(Handshake, CounterVanishingDisconnectsAndSaysWhichPort) {
    Connect();
    counter->HangUp();
    ASSERT_TRUE(WaitFor([&] { return view().cmdPower.Caption == kDisconnectedCaption; }, 1000));
    EXPECT_FALSE(serial->PortOpen());
    EXPECT_FALSE(view().cmdFrequency.Enabled);
    EXPECT_NE(view().lblMessage.Caption.find(line.slavePath()), std::string::npos) << view().lblMessage.Caption;
}

TEST_F(Handshake, ReconnectingWithThePowerKeyIdentifiesAgain) {
    Connect();
    ClickPower();  // switch off: local first
    EXPECT_FALSE(serial->PortOpen());
    counter->Read();
    EXPECT_EQ(counter->lines().back().text, "SYST:LOC");
    // Bytes the counter sends while the port is closed are not seen later.
    counter->Send("stale\n");
    RunFor(30);
    ClickPower();  // switch on
    ASSERT_TRUE(WaitFor([&] { return counter->texts().size() >= 5; }, 1500));
    EXPECT_EQ(counter->texts(), (std::vector<std::string>{"*IDN?", "*RST", "SYST:LOC", "*IDN?", "*RST"}));
    EXPECT_EQ(view().lblTitle.Caption, kIdentityTitle);
}

}  // namespace
}  // namespace kt
