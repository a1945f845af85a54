// Receive assembly: pieces from the line become completed texts, which are
// shown, dropped or taken as the counter's return to local operation.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/receive_text.h"
#include "support/connected_panel.h"

namespace kt::test {
namespace {

TEST(ReceivedKind, OnlyTheBareLocLineMeansLocal) {
    struct Case {
        std::string text;
        ReceivedKind kind;
    };
    const std::vector<Case> cases = {
        {"LOC\n", ReceivedKind::LocalLine},
        {"LOC\r\n", ReceivedKind::Reading},
        {"LOC \n", ReceivedKind::Reading},
        {"loc\n", ReceivedKind::Reading},
        {"10.0MHz\nLOC\n", ReceivedKind::Reading},
        {"LOC\n10.0MHz\n", ReceivedKind::Reading},
        {"SAMPLE\n", ReceivedKind::Sample},
        {"SAMPLE 12: 10.0MHz\n", ReceivedKind::Sample},
        {"SAMPL\n", ReceivedKind::Reading},
        {" SAMPLE\n", ReceivedKind::Reading},
        {"sample\n", ReceivedKind::Reading},
        {"\n", ReceivedKind::Reading},
    };
    for (const auto& c : cases) EXPECT_EQ(ClassifyReceived(c.text), c.kind) << c.text;
}

TEST(ReceiveBuffer, KeepsOnlyTheNewestCharactersBeyondItsLimit) {
    std::string buffer(kReceiveLimit - 2, 'a');
    AppendReceived(buffer, "bcde");
    ASSERT_EQ(buffer.size(), kReceiveLimit);
    EXPECT_EQ(buffer.substr(0, 1), "a");
    EXPECT_EQ(buffer.substr(kReceiveLimit - 4), "bcde");

    std::string huge(kReceiveLimit + 10, 'x');
    huge.back() = '\n';
    std::string fresh = "old";
    AppendReceived(fresh, huge);
    ASSERT_EQ(fresh.size(), kReceiveLimit);
    EXPECT_EQ(fresh.find("old"), std::string::npos);
    EXPECT_TRUE(EndsWithLineFeed(fresh));
}

class ReceiveTest : public PanelTest {
protected:
    void SetUp() override { Connect(); }
};

TEST_F(ReceiveTest, ReadingInPiecesIsShownOnceWhenItsLineFeedArrives) {
    serial.Receive("12.34");
    EXPECT_EQ(panel.view.txtReceive.Text(), "12.34");
    EXPECT_FALSE(panel.view.lblGate.Visible);
    const std::string before = panel.view.txtDisplay.Text();
    serial.Receive("5kH");
    EXPECT_EQ(panel.view.txtDisplay.Text(), before);
    serial.Receive("z\n");
    EXPECT_EQ(panel.view.txtString.Text(), "12.345kHz\n");
    EXPECT_EQ(panel.view.txtReceive.Text(), "");
    EXPECT_EQ(panel.view.txtDisplay.Text(), "12.345 ");
    EXPECT_TRUE(panel.view.lblPosExp.Visible);
    EXPECT_TRUE(panel.view.lblGate.Visible);
}

TEST_F(ReceiveTest, LinesArrivingTogetherAreHandedOnAsOneText) {
    serial.Receive("1.0MHz\n2.0MHz\n");
    EXPECT_EQ(panel.view.txtString.Text(), "1.0MHz\n2.0MHz\n");
    EXPECT_EQ(panel.view.txtDisplay.Text(), "1.0\n2.0MHz ");

    serial.Receive("3.0MHz\n4.0M");
    EXPECT_EQ(panel.view.txtString.Text(), "1.0MHz\n2.0MHz\n");
    EXPECT_EQ(panel.view.txtReceive.Text(), "3.0MHz\n4.0M");
    serial.Receive("Hz\n");
    EXPECT_EQ(panel.view.txtString.Text(), "3.0MHz\n4.0MHz\n");
}

TEST_F(ReceiveTest, LocLineDisconnectsWithoutAWord) {
    const auto sent = serial.written.size();
    serial.Receive("LO");
    EXPECT_TRUE(Connected());
    serial.Receive("C\n");
    EXPECT_FALSE(serial.PortOpen());
    EXPECT_EQ(panel.view.cmdPower.Caption, "连接");
    EXPECT_FALSE(panel.view.cmdFrequency.Enabled);
    EXPECT_FALSE(panel.view.lblRemote.Visible);
    EXPECT_EQ(panel.view.txtString.Text(), "");
    EXPECT_EQ(serial.written.size(), sent);
    EXPECT_EQ(panel.view.lblMessage.Caption, "");
}

TEST_F(ReceiveTest, LocLookalikesAreReadings) {
    for (const std::string text : {"LOC\r\n", "LOC\nLOC\n", "1.0MHz\nLOC\n"}) {
        serial.Receive(text);
        EXPECT_TRUE(Connected()) << text;
        EXPECT_EQ(panel.view.txtString.Text(), text);
        EXPECT_TRUE(panel.view.lblGate.Visible) << text;
    }
    serial.Receive("LOC\r\n");
    EXPECT_EQ(panel.view.txtDisplay.Text(), "LOC\r ");
}

TEST_F(ReceiveTest, SampleTextIsNeitherShownNorLightsTheGate) {
    serial.Receive("5.0MHz\n");
    serial.Receive("SAMPLE 3: 1.0MHz\n");
    EXPECT_EQ(panel.view.txtString.Text(), "SAMPLE 3: 1.0MHz\n");
    EXPECT_EQ(panel.view.txtDisplay.Text(), "5.0 ");
    EXPECT_FALSE(panel.view.lblGate.Visible);
    EXPECT_TRUE(Connected());
}

TEST_F(ReceiveTest, ReadingsWaitWhileAMenuHoldsTheDisplay) {
    panel.displayCode = 3;
    panel.view.txtDisplay.SetText("GATE: 100ms  ");
    serial.Receive("5.0MHz\n");
    EXPECT_EQ(panel.view.txtString.Text(), "5.0MHz\n");
    EXPECT_EQ(panel.view.txtDisplay.Text(), "GATE: 100ms  ");
    EXPECT_TRUE(panel.view.lblGate.Visible);
}

TEST_F(ReceiveTest, AnyByteValuePassesThroughUnchanged) {
    const std::string bytes = std::string("1.5\0\xB5\xFF", 6) + "\n";
    serial.Receive(bytes.substr(0, 4));
    EXPECT_EQ(panel.view.txtReceive.Text(), bytes.substr(0, 4));
    serial.Receive(bytes.substr(4));
    EXPECT_EQ(panel.view.txtString.Text(), bytes);
    EXPECT_EQ(panel.view.txtDisplay.Text(), std::string("1.5\0\xB5\xFF ", 7));
}

TEST_F(ReceiveTest, EndlessTextWithoutLineFeedStaysWithinTheBufferLimit) {
    const std::string chunk(4096, '7');
    for (int i = 0; i < 20; ++i) serial.Receive(chunk);
    EXPECT_EQ(panel.view.txtReceive.Text().size(), kReceiveLimit);
    serial.Receive("\n");
    EXPECT_EQ(panel.view.txtString.Text().size(), kReceiveLimit);
    EXPECT_EQ(panel.view.txtReceive.Text(), "");
}

TEST_F(ReceiveTest, LeftoverTextIsPrefixedToTheNextConnectsReply) {
    serial.Receive("12.3");
    panel.cmdPower_Click();  // disconnect
    EXPECT_EQ(panel.view.txtReceive.Text(), "12.3");
    panel.cmdPower_Click();  // connect again
    Identify(kReplyFull);
    EXPECT_EQ(panel.view.txtString.Text(), "");  // the failed identification emptied it
    EXPECT_FALSE(Connected());
    EXPECT_EQ(panel.view.txtReceive.Text(), "");

    Reconnect(kReplyFull);
    EXPECT_TRUE(Connected());
}

TEST_F(ReceiveTest, LimitIndicationFollowsDsrOnlyInLimitMode) {
    serial.dsr = true;
    panel.view.lblLimit.Visible = false;
    serial.Receive("1\n");
    EXPECT_FALSE(panel.view.lblLimit.Visible);  // DTR high mode: DSR means nothing

    panel.SerialMenu_Click(SerialMenu::DTR, 1);
    Reconnect(kReplyFull);
    ASSERT_TRUE(Connected());
    panel.running = kTrue;
    panel.ShowRunStopLamps();
    serial.Receive("2");
    EXPECT_TRUE(panel.view.lblLimit.Visible);
    EXPECT_EQ(panel.running, kTrue);  // go on after a failed limit test

    panel.stopOnLimitFail = kTrue;
    serial.Receive("3");
    EXPECT_EQ(panel.running, kFalse);
    EXPECT_EQ(panel.view.shpStopping.BackColor, kLampLit);
    EXPECT_EQ(panel.view.shpRunning.BackColor, kLampOff);

    serial.dsr = false;
    serial.Receive("\n");
    EXPECT_FALSE(panel.view.lblLimit.Visible);
}

}  // namespace
}  // namespace kt::test
