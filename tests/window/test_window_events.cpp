// Clicks, menu choices, timers and serial events on the real window reach the
// panel's event procedures, and their effect shows on the widgets.
#include <string>

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "test_window_support.h"
#include "view/display_widget.h"
#include "view/element_table.h"

namespace kt::test {
namespace {

using view::Element;
using view::Kind;

TEST(PanelEvents, ShowingTheWindowConnectsFromTheEventLoop) {
    PanelRig rig;
    rig.window.show();
    EXPECT_FALSE(rig.window.formLoaded());  // not yet: the event loop runs it
    ASSERT_TRUE(WaitFor([&] { return rig.window.formLoaded(); }));
    EXPECT_EQ(rig.serial.AllWritten(), "*IDN?\n");
    EXPECT_EQ(rig.Key("cmdPower")->text(), QStringLiteral("断开"));
    EXPECT_TRUE(rig.Find<QTimer>("timPowerOn")->isActive());
    EXPECT_EQ(rig.Find<QTimer>("timPowerOn")->interval(), 200);
    EXPECT_TRUE(rig.Find<QTimer>("timSystemClk")->isActive());
    EXPECT_EQ(rig.Find<QTimer>("timSystemClk")->interval(), 100);
    rig.window.close();
}

TEST(PanelEvents, NoAnswerWithinThePowerOnTimeDisconnects) {
    PanelRig rig;
    rig.window.RunFormLoad();
    auto* timer = rig.Find<QTimer>("timPowerOn");
    ASSERT_TRUE(WaitFor([&] { return !timer->isActive(); }));
    EXPECT_EQ(rig.Key("cmdPower")->text(), QStringLiteral("连接"));
    EXPECT_FALSE(rig.Key("cmdFrequency")->isEnabled());
    EXPECT_FALSE(rig.serial.PortOpen());
}

TEST(PanelEvents, IdentificationSetsTitleAndModelKeys) {
    PanelRig rig;
    ASSERT_TRUE(rig.Connect());
    EXPECT_EQ(rig.serial.LastWritten(), "*RST\n");
    EXPECT_EQ(rig.Find<QLabel>("lblTitle")->text(), QStringLiteral("KT46290型高精度频率计（Frequency Counter）  -1.5GHz"));
    EXPECT_TRUE(rig.Key("cmdUpper")->isEnabled());
    EXPECT_TRUE(rig.Key("cmdStats")->isEnabled());
    EXPECT_TRUE(rig.Find<QLabel>("lblTimeUnit")->isHidden());
    EXPECT_FALSE(rig.Find<QLabel>("lblRemote")->isHidden());
}

TEST(PanelEvents, PowerKeyDisconnectsWithLocalCommandAndReconnects) {
    PanelRig rig;
    ASSERT_TRUE(rig.Connect());
    rig.Key("cmdPower")->click();
    EXPECT_EQ(rig.serial.LastWritten(), "SYST:LOC\n");
    EXPECT_EQ(rig.Key("cmdPower")->text(), QStringLiteral("连接"));
    EXPECT_FALSE(rig.Key("cmdRun")->isEnabled());
    EXPECT_TRUE(rig.Find<QLabel>("lblRemote")->isHidden());

    rig.Key("cmdPower")->click();
    EXPECT_EQ(rig.serial.LastWritten(), "*IDN?\n");
    EXPECT_EQ(rig.Key("cmdPower")->text(), QStringLiteral("断开"));
    EXPECT_TRUE(rig.Find<QTimer>("timPowerOn")->isActive());
}

TEST(PanelEvents, KeysDoNothingBeforeTheCounterAnswers) {
    PanelRig rig;
    for (const Element& e : view::ElementTable()) {
        if (e.kind != Kind::Key || e.name == "cmdPower") continue;
        rig.Key(std::string(e.name).c_str())->click();
    }
    EXPECT_TRUE(rig.serial.written.empty());
}

// Each key with a click action sends its key command once the counter has
// identified itself; the three always-disabled keys stay disabled.
TEST(PanelEvents, EveryEnabledKeyReachesItsHandlerAfterIdentification) {
    PanelRig rig;
    ASSERT_TRUE(rig.Connect());
    for (const Element& e : view::ElementTable()) {
        if (e.kind != Kind::Key || e.name == "cmdPower") continue;
        SCOPED_TRACE(std::string(e.name));
        QAbstractButton* key = rig.Key(std::string(e.name).c_str());
        ASSERT_NE(key, nullptr);
        if (e.click == nullptr) {
            EXPECT_FALSE(key->isEnabled());
            continue;
        }
        ASSERT_TRUE(key->isEnabled());
        const std::size_t before = rig.serial.written.size();
        key->click();
        ASSERT_GT(rig.serial.written.size(), before);
        EXPECT_EQ(rig.serial.written.back().rfind("SYST:KEY ", 0), 0u) << rig.serial.written.back();
        EXPECT_EQ(rig.serial.written.back().back(), '\n');
    }
}

TEST(PanelEvents, FunctionKeyShowsItsMenuTextOnTheDisplay) {
    PanelRig rig;
    ASSERT_TRUE(rig.Connect());
    rig.Key("cmdFrequency")->click();
    const auto* display = rig.Find<view::DisplayWidget>("txtDisplay");
    EXPECT_EQ(display->text().toStdString(), rig.panel.view.txtDisplay.Text());
    EXPECT_NE(display->text(), QStringLiteral("0 "));
}

TEST(PanelEvents, MenuChoiceMovesTheCheckMarkAndDisconnects) {
    PanelRig rig;
    ASSERT_TRUE(rig.Connect());
    rig.Find<QAction>("mnuBaud4800")->trigger();
    EXPECT_TRUE(rig.Find<QAction>("mnuBaud4800")->isChecked());
    EXPECT_FALSE(rig.Find<QAction>("mnuBaud9600")->isChecked());
    EXPECT_EQ(rig.panel.serialBaudIndex, 1);
    EXPECT_EQ(rig.serial.Settings(), "4800,n,8,1");
    EXPECT_EQ(rig.Key("cmdPower")->text(), QStringLiteral("连接"));

    rig.Find<QAction>("mnuParityEven")->trigger();
    EXPECT_EQ(rig.serial.Settings(), "4800,e,7,1");
    EXPECT_TRUE(rig.Find<QAction>("mnuParityEven")->isChecked());
    EXPECT_FALSE(rig.Find<QAction>("mnuParityOff")->isChecked());
}

TEST(PanelEvents, ChoosingTheCheckedItemKeepsItsCheckMarkAndTheConnection) {
    PanelRig rig;
    ASSERT_TRUE(rig.Connect());
    const int closes = rig.serial.closes;
    rig.Find<QAction>("mnuPortComm1")->trigger();  // the menu unticks it; the panel ticks it again
    EXPECT_TRUE(rig.Find<QAction>("mnuPortComm1")->isChecked());
    EXPECT_EQ(rig.serial.closes, closes);
    EXPECT_EQ(rig.Key("cmdPower")->text(), QStringLiteral("断开"));
}

TEST(PanelEvents, LocalLineFromTheCounterDisconnects) {
    PanelRig rig;
    ASSERT_TRUE(rig.Connect());
    rig.serial.Receive("LOC\n");
    EXPECT_EQ(rig.Key("cmdPower")->text(), QStringLiteral("连接"));
    EXPECT_FALSE(rig.Key("cmdArm")->isEnabled());
}

TEST(PanelEvents, LostDeviceIsReportedOnTheMessageLine) {
    PanelRig rig;
    ASSERT_TRUE(rig.Connect());
    rig.serial.Fail(SerialFault::DeviceLost, "/dev/ttyFAKE0 was unplugged");
    EXPECT_EQ(rig.Key("cmdPower")->text(), QStringLiteral("连接"));
    auto* message = rig.Find<QLabel>("lblMessage");
    EXPECT_FALSE(message->isHidden());
    EXPECT_EQ(message->text().toStdString(), rig.panel.view.lblMessage.Caption);
    EXPECT_FALSE(message->text().isEmpty());
}

TEST(PanelEvents, ClosingTheWindowReturnsTheCounterToLocal) {
    PanelRig rig;
    ASSERT_TRUE(rig.Connect());
    rig.window.close();
    EXPECT_EQ(rig.serial.LastWritten(), "SYST:LOC\n");
    EXPECT_FALSE(rig.serial.PortOpen());
    EXPECT_FALSE(rig.Find<QTimer>("timSystemClk")->isActive());
}

TEST(PanelEvents, ClosingWhileDisconnectedSendsNothing) {
    PanelRig rig;
    rig.window.close();
    EXPECT_TRUE(rig.serial.written.empty());
}

}  // namespace

TEST(PanelEvents, ReconnectWithinThePowerOnTimeWaitsAFull200msForTheNewAnswer) {
    // Off and on again while the first identification is still pending: the
    // identification step must come 200 ms after the second "*IDN?", not
    // 200 ms after the first one, or a counter answering in time is refused.
    PanelRig rig;
    rig.window.RunFormLoad();
    auto* timer = rig.Find<QTimer>("timPowerOn");
    WaitFor([] { return false; }, 120);  // let most of the first 200 ms pass
    rig.Key("cmdPower")->click();
    rig.Key("cmdPower")->click();
    ASSERT_EQ(rig.serial.LastWritten(), "*IDN?\n");
    ASSERT_TRUE(timer->isActive());
    EXPECT_GT(timer->remainingTime(), 150);
    rig.serial.Receive(kIdentity);
    ASSERT_TRUE(WaitFor([&] { return !timer->isActive(); }));
    EXPECT_EQ(rig.serial.LastWritten(), "*RST\n");
}

}  // namespace kt::test
