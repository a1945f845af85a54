// A counter holding the line with XOFF: the message line reports the commands
// waiting after 2 s and clears once they have gone out, without touching the
// display, the lamps or the line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/connected_panel.h"

namespace kt::test {
namespace {

class HeldLineTest : public PanelTest {
protected:
    // Connected with XON/XOFF pacing chosen.
    void ConnectPaced() {
        Connect();
        panel.SerialMenu_Click(SerialMenu::Swpace, 1);
        Reconnect(kReplyFull);
        ASSERT_TRUE(Connected());
    }
    const std::string& Message() const { return panel.view.lblMessage.Caption; }
};

TEST_F(HeldLineTest, ReportedAfterTwoSecondsOfWaitingAndFollowsTheCount) {
    struct Step {
        int waiting;
        int ticks;
        std::string message;  // "" for an empty message line
    };
    const std::string held3 =
        "The counter has paused the line (XOFF) on /dev/ttyFAKE0; 3 commands waiting. "
        "They go out in order when it sends XON.";
    const std::vector<Step> steps = {
        {3, 19, ""},                                      // not yet 2 s
        {0, 1, ""},                                       // drained in time: the count starts again
        {3, 19, ""},
        {3, 1, held3},                                    // 2 s with commands waiting
        {4, 1, "The counter has paused the line (XOFF) on /dev/ttyFAKE0; 4 commands waiting. "
               "They go out in order when it sends XON."},
        {1, 1, "The counter has paused the line (XOFF) on /dev/ttyFAKE0; 1 command waiting. "
               "They go out in order when it sends XON."},
        {0, 1, ""},                                       // drained: cleared at once
        {2, 25, "The counter has paused the line (XOFF) on /dev/ttyFAKE0; 2 commands waiting. "
                "They go out in order when it sends XON."},
    };
    ConnectPaced();
    ClearWritten();
    const std::string display = Display();
    for (std::size_t i = 0; i < steps.size(); ++i) {
        serial.waiting = steps[i].waiting;
        Tick(steps[i].ticks);
        EXPECT_EQ(Message(), steps[i].message) << "step " << i;
        EXPECT_TRUE(panel.view.lblMessage.Visible || Message().empty()) << "step " << i;
    }
    EXPECT_EQ(Sent(), "") << "the watch writes nothing to the line";
    EXPECT_EQ(Display(), display);
}

TEST_F(HeldLineTest, OnlyWithXonPacing) {
    Connect();
    serial.waiting = 5;
    Tick(40);
    EXPECT_EQ(Message(), "") << "without pacing nothing waits for an XON";
}

TEST_F(HeldLineTest, DisconnectingClearsTheReportButNotAFault) {
    ConnectPaced();
    serial.waiting = 3;
    Tick(20);
    ASSERT_NE(Message(), "");
    panel.cmdPower_Click();  // the queue goes with the closed port
    Tick();
    EXPECT_EQ(Message(), "");

    panel.cmdPower_Click();
    Identify(kReplyFull);
    Tick(20);
    ASSERT_NE(Message(), "");
    serial.Fail(SerialFault::DeviceLost, "Port 1 (/dev/ttyFAKE0) was lost.");
    Tick(5);
    EXPECT_EQ(Message(), "Port 1 (/dev/ttyFAKE0) was lost.") << "the fault stays on the message line";
}

}  // namespace
}  // namespace kt::test
