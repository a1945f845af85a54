// Switching the panel on and off, the identification of the counter, and what
// the panel does when the port or the line fails.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/connected_panel.h"

namespace kt::test {
namespace {

using ButtonRef = CommandButton PanelView::*;

constexpr ButtonRef kModelKeys[] = {&PanelView::cmdUpper, &PanelView::cmdLimitMode, &PanelView::cmdScale,
                                    &PanelView::cmdStats};
constexpr ButtonRef kCommonKeys[] = {
    &PanelView::cmdArm,      &PanelView::cmdCh1Att,   &PanelView::cmdCh1Coup,     &PanelView::cmdCh1Filt,
    &PanelView::cmdCh1Imp,   &PanelView::cmdCh1Trig,  &PanelView::cmdSpeedHigh,   &PanelView::cmdSpeedFast,
    &PanelView::cmdSpeedMiddle, &PanelView::cmdSpeedLow, &PanelView::cmdDown,    &PanelView::cmdEnter,
    &PanelView::cmdFrequency, &PanelView::cmdLeft,    &PanelView::cmdOther,       &PanelView::cmdRight,
    &PanelView::cmdRun,      &PanelView::cmdSign,     &PanelView::cmdStop,        &PanelView::cmdTime,
    &PanelView::cmdUp,
};
constexpr ButtonRef kNeverEnabled[] = {&PanelView::cmdKeyLock, &PanelView::cmdSave, &PanelView::cmdUtility};

const std::string kTitleFull = "KT46290型高精度频率计（Frequency Counter）";
const std::string kTitleA = "KT46290A型高精度频率计（Frequency Counter）";

using PowerTest = PanelTest;

// Counts the keys of a group that are enabled.
template <std::size_t N>
int EnabledCount(const PanelView& v, const ButtonRef (&keys)[N]) {
    int n = 0;
    for (ButtonRef k : keys) n += (v.*k).Enabled ? 1 : 0;
    return n;
}

TEST_F(PowerTest, LoadingConnectsAndAsksTheCounterWhoItIs) {
    Load();
    EXPECT_EQ(panel.view.imgKT.Picture, "/opt/kt/kt.jpg");
    EXPECT_EQ(panel.view.imgCh1Q9.Picture, "/opt/kt/BNC-Connect.jpg");
    EXPECT_EQ(panel.view.imgCh3Q9.Picture, "/opt/kt/BNC-Connect.jpg");
    EXPECT_EQ(panel.view.imgCh2Alarm.Picture, "/opt/kt/Alarm.jpg");
    EXPECT_EQ(panel.view.imgCh3Gnd.Picture, "/opt/kt/Gnd.jpg");
    EXPECT_EQ(panel.view.cmdUp.Picture, "/opt/kt/ArwUp.ico");
    EXPECT_EQ(panel.view.cmdDown.Picture, "/opt/kt/ArwDown.ico");
    EXPECT_EQ(panel.view.cmdLeft.Picture, "/opt/kt/ArwLeft.ico");
    EXPECT_EQ(panel.view.cmdRight.Picture, "/opt/kt/ArwRight.ico");

    EXPECT_EQ(panel.serialBaudIndex, 2);
    EXPECT_EQ(serial.CommPort(), 1);
    EXPECT_EQ(serial.Settings(), "9600,n,8,1");
    EXPECT_TRUE(serial.PortOpen());
    EXPECT_EQ(serial.written, std::vector<std::string>{"*IDN?\n"});
    EXPECT_EQ(serial.writtenWhileClosed, 0);
    EXPECT_TRUE(panel.view.timPowerOn.Enabled);
    EXPECT_EQ(panel.view.timPowerOn.Interval, 200);

    EXPECT_EQ(panel.view.cmdPower.Caption, "断开");
    EXPECT_EQ(EnabledCount(panel.view, kCommonKeys), 21);
    EXPECT_EQ(EnabledCount(panel.view, kModelKeys), 4);
    EXPECT_EQ(EnabledCount(panel.view, kNeverEnabled), 0);
    EXPECT_TRUE(panel.view.lblRemote.Visible);
    for (const Label* l : {&panel.view.lblPosExp, &panel.view.lblNegExp, &panel.view.lblFreqUnit,
                           &panel.view.lblTimeUnit, &panel.view.lblGate})
        EXPECT_FALSE(l->Visible) << l->Caption;
}

TEST_F(PowerTest, IdentificationSetsTitleRangeKeysAndConnectors) {
    struct Case {
        std::string reply;
        std::string title;
        int16_t range;
        bool modelKeys;
        bool nTypeCh3;
        bool nTypeCh2;
    };
    const std::vector<Case> cases = {
        {"VENDOR,KT46290-225M,SN1\n", kTitleFull + "  -225MHz", 0, true, false, false},
        {"VENDOR,KT46290-1.5G,SN1\n", kTitleFull + "  -1.5GHz", 2, true, false, false},
        {"VENDOR,KT46290A-3G\n", kTitleA + "  -3GHz", 4, false, false, false},
        {"VENDOR,KT46290-6G,GPIB\n", kTitleFull + "  -6GHz", 5, true, true, false},
        {"VENDOR,KT46290A-9G,USB\n", kTitleA + "  -9GHz", 7, false, true, false},
        {"VENDOR,KT46290-12.4G\n", kTitleFull + "  -12.4GHz", 8, true, true, true},
        {"VENDOR,KT46290A-16G\n", kTitleA + "  -16GHz", 9, false, true, true},
        // Table order decides, not the place in the reply.
        {"VENDOR,KT46290--12.4G-2.5G\n", kTitleFull + "  -2.5GHz", 3, true, false, false},
        // No suffix: plain title, the range of program start.
        {"VENDOR,KT46290-\n", kTitleFull, 0, true, false, false},
        // The first seven characters are never compared.
        {"1234567KT46290A-500M\n", kTitleA + "  -500MHz", 1, false, false, false},
    };
    for (const auto& c : cases) {
        ConnectedPanel t;
        t.Connect(c.reply);
        const SoftPanel& p = t.panel;
        const FakeSerial& line = t.serial;
        SCOPED_TRACE(c.reply);
        EXPECT_FALSE(p.view.timPowerOn.Enabled);
        EXPECT_EQ(p.view.lblTitle.Caption, c.title);
        EXPECT_EQ(p.frequencyRange, c.range);
        EXPECT_EQ(line.written, (std::vector<std::string>{"*IDN?\n", "*RST\n"}));
        EXPECT_EQ(EnabledCount(p.view, kModelKeys), c.modelKeys ? 4 : 0);
        EXPECT_EQ(EnabledCount(p.view, kCommonKeys), 21);
        EXPECT_EQ(EnabledCount(p.view, kNeverEnabled), 0);
        EXPECT_EQ(p.view.imgCh3Q9.Picture, c.nTypeCh3 ? "/opt/kt/N-Connect.jpg" : "/opt/kt/BNC-Connect.jpg");
        EXPECT_EQ(p.view.imgCh2Q9.Picture, c.nTypeCh2 ? "/opt/kt/N-Connect.jpg" : "/opt/kt/BNC-Connect.jpg");
        EXPECT_EQ(p.view.imgCh1Q9.Picture, "/opt/kt/BNC-Connect.jpg");
        EXPECT_EQ(p.view.cmdPower.Caption, "断开");
        EXPECT_EQ(p.view.lblMessage.Caption, "");
    }
}

TEST_F(PowerTest, FailedIdentificationDisconnectsWithAHint) {
    struct Case {
        std::string reply;  // empty: no answer at all
        std::string message;
    };
    const std::vector<Case> cases = {
        {"", "No answer to *IDN? on /dev/ttyFAKE0 at 9600,n,8,1: check the cable and the baud rate."},
        {"10.000000MHz\n", "The answer on /dev/ttyFAKE0 was not from a KT46290: \"10.000000MHz\""},
        {"VENDOR,kt46290-1.5G\n", "The answer on /dev/ttyFAKE0 was not from a KT46290: \"VENDOR,kt46290-1.5G\""},
        {"VENDOR,KT4629\n", "The answer on /dev/ttyFAKE0 was not from a KT46290: \"VENDOR,KT4629\""},
        {std::string("  \x01\xB5" "ACME,KT46290B\r\n"),
         "The answer on /dev/ttyFAKE0 was not from a KT46290: \"ACME,KT46290B\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply);
        ConnectedPanel t;
        SoftPanel& p = t.panel;
        const FakeSerial& line = t.serial;
        p.Form_Load();
        const std::string title = p.view.lblTitle.Caption;
        p.frequencyRange = 6;
        t.Identify(c.reply);
        EXPECT_FALSE(line.PortOpen());
        EXPECT_EQ(p.view.cmdPower.Caption, "连接");
        EXPECT_FALSE(p.view.cmdFrequency.Enabled);
        EXPECT_FALSE(p.view.cmdUpper.Enabled);
        EXPECT_FALSE(p.view.timPowerOn.Enabled);
        EXPECT_EQ(line.written, std::vector<std::string>{"*IDN?\n"});
        EXPECT_EQ(p.view.lblTitle.Caption, title);
        EXPECT_EQ(p.frequencyRange, 6);
        EXPECT_EQ(p.view.lblMessage.Caption, c.message);
        EXPECT_TRUE(p.view.lblMessage.Visible);
    }
}

TEST_F(PowerTest, AReadingAfterTheReplyFailsTheModelTest) {
    Load();
    serial.Receive(kReplyFull);
    serial.Receive("10.0MHz\n");
    panel.timPowerOn_Timer();
    EXPECT_FALSE(Connected());
}

TEST_F(PowerTest, ReconnectBuildsTheTitleAfreshAndKeepsNTypeConnectors) {
    Connect("VENDOR,KT46290-12.4G\n");
    panel.cmdPower_Click();
    Reconnect("VENDOR,KT46290A-1.5G\n");
    EXPECT_EQ(panel.view.lblTitle.Caption, kTitleA + "  -1.5GHz");
    EXPECT_EQ(panel.frequencyRange, 2);
    EXPECT_EQ(panel.view.imgCh2Q9.Picture, "/opt/kt/N-Connect.jpg");
    EXPECT_EQ(panel.view.imgCh3Q9.Picture, "/opt/kt/N-Connect.jpg");

    panel.cmdPower_Click();
    Reconnect("VENDOR,KT46290A-1.5G\n");
    EXPECT_EQ(panel.view.lblTitle.Caption, kTitleA + "  -1.5GHz");

    // An A model leaves the model keys disabled; the full model enables them again.
    EXPECT_EQ(EnabledCount(panel.view, kModelKeys), 0);
    panel.cmdPower_Click();
    Reconnect(kReplyFull);
    EXPECT_EQ(EnabledCount(panel.view, kModelKeys), 4);
}

TEST_F(PowerTest, PowerKeyReturnsTheCounterToLocalAndResetsThePanel) {
    Connect();
    panel.measFunction = 7;
    panel.gateTimeIndex = 11;
    panel.displayCode = 3;
    panel.menuFirstPress = kFalse;
    panel.deferArmed = kTrue;
    panel.deferTick = 1234;
    panel.view.txtDisplay.SetText("GATE: 1s     ");
    panel.view.shpSpeedLow.BackColor = kLampLit;
    serial.written.clear();

    panel.cmdPower_Click();
    EXPECT_EQ(serial.written, std::vector<std::string>{"SYST:LOC\n"});
    EXPECT_EQ(serial.writtenWhileClosed, 0);
    EXPECT_FALSE(serial.PortOpen());
    EXPECT_EQ(panel.view.cmdPower.Caption, "连接");
    EXPECT_EQ(EnabledCount(panel.view, kCommonKeys) + EnabledCount(panel.view, kModelKeys) +
                  EnabledCount(panel.view, kNeverEnabled),
              0);
    EXPECT_FALSE(panel.view.lblRemote.Visible);
    EXPECT_EQ(panel.view.txtDisplay.Text(), "0 ");
    EXPECT_EQ(panel.measFunction, 0);
    EXPECT_EQ(panel.gateTimeIndex, 8);
    EXPECT_EQ(panel.displayCode, 0);
    EXPECT_EQ(panel.menuFirstPress, kTrue);
    // A pending deferred action survives the disconnect.
    EXPECT_EQ(panel.deferArmed, kTrue);
    EXPECT_EQ(panel.deferTick, 1234);
    // Lamps keep their last colours until the next connect repaints them.
    EXPECT_EQ(panel.view.shpSpeedLow.BackColor, kLampLit);

    Reconnect(kReplyFull);
    EXPECT_EQ(panel.view.shpSpeedLow.BackColor, kLampOff);
    EXPECT_EQ(panel.view.shpSpeedFast.BackColor, kLampLit);
}

TEST_F(PowerTest, PowerKeyDuringIdentificationDisconnectsQuietly) {
    Load();
    serial.Receive(kReplyFull);
    panel.cmdPower_Click();
    EXPECT_EQ(serial.LastWritten(), "SYST:LOC\n");
    const auto sent = serial.written.size();
    panel.timPowerOn_Timer();
    EXPECT_FALSE(Connected());
    EXPECT_EQ(serial.written.size(), sent);
    EXPECT_EQ(panel.view.lblMessage.Caption, "");
    EXPECT_EQ(panel.view.lblTitle.Caption, kTitleFull);
}

TEST_F(PowerTest, PortThatWillNotOpenLeavesThePanelDisconnectedAndSaysWhy) {
    serial.failNextOpen = SerialFault::PortBusy;
    Load();
    EXPECT_FALSE(serial.PortOpen());
    EXPECT_TRUE(serial.written.empty());
    EXPECT_FALSE(panel.view.timPowerOn.Enabled);
    EXPECT_EQ(panel.view.cmdPower.Caption, "连接");
    EXPECT_EQ(EnabledCount(panel.view, kCommonKeys) + EnabledCount(panel.view, kModelKeys), 0);
    EXPECT_FALSE(panel.view.lblRemote.Visible);
    EXPECT_EQ(panel.view.lblMessage.Caption, "cannot open /dev/ttyFAKE0");
    EXPECT_TRUE(panel.view.lblMessage.Visible);

    // The power key tries again; a successful connect clears the message.
    Reconnect(kReplyFull);
    EXPECT_TRUE(Connected());
    EXPECT_EQ(panel.view.lblMessage.Caption, "");
}

TEST_F(PowerTest, LineFaultsDisconnectLikeTheLocLine) {
    for (SerialFault fault : {SerialFault::DeviceLost, SerialFault::WriteFailed}) {
        ConnectedPanel t;
        SoftPanel& p = t.panel;
        FakeSerial& line = t.serial;
        p.Form_Load();
        t.Identify(kReplyFull);
        const auto sent = line.written.size();
        line.Fail(fault, "the device /dev/ttyFAKE0 of port 1 went away");
        EXPECT_EQ(p.view.cmdPower.Caption, "连接");
        EXPECT_FALSE(p.view.cmdFrequency.Enabled);
        EXPECT_FALSE(p.view.lblRemote.Visible);
        EXPECT_EQ(line.written.size(), sent);
        EXPECT_EQ(p.view.lblMessage.Caption, "the device /dev/ttyFAKE0 of port 1 went away");
        EXPECT_TRUE(p.view.lblMessage.Visible);

        p.cmdPower_Click();
        EXPECT_TRUE(line.PortOpen());
        EXPECT_EQ(p.view.lblMessage.Caption, "");
    }
}

TEST_F(PowerTest, FaultWhileConnectingKeepsItsOwnMessage) {
    Load();
    serial.Fail(SerialFault::DeviceLost, "lost");
    panel.timPowerOn_Timer();
    EXPECT_FALSE(Connected());
    EXPECT_EQ(panel.view.lblMessage.Caption, "lost");
    EXPECT_EQ(serial.written, std::vector<std::string>{"*IDN?\n"});
}

TEST_F(PowerTest, ClosingTheWindowReturnsTheCounterToLocalOnlyWhenConnected) {
    Connect();
    serial.written.clear();
    panel.Form_Unload();
    EXPECT_EQ(serial.written, std::vector<std::string>{"SYST:LOC\n"});
    EXPECT_EQ(serial.writtenWhileClosed, 0);
    EXPECT_FALSE(serial.PortOpen());

    serial.written.clear();
    panel.Form_Unload();
    EXPECT_TRUE(serial.written.empty());
}

TEST_F(PowerTest, KeysThatAreNeverEnabledStayDisabledThroughEverything) {
    Load();
    EXPECT_EQ(EnabledCount(panel.view, kNeverEnabled), 0);
    Identify(kReplyFull);
    EXPECT_EQ(EnabledCount(panel.view, kNeverEnabled), 0);
    panel.cmdPower_Click();
    Reconnect(kReplyA);
    EXPECT_EQ(EnabledCount(panel.view, kNeverEnabled), 0);
    serial.Receive("LOC\n");
    Reconnect("garbage\n");
    EXPECT_EQ(EnabledCount(panel.view, kNeverEnabled), 0);
    EXPECT_TRUE(panel.view.cmdPower.Enabled);
}

}  // namespace
}  // namespace kt::test
