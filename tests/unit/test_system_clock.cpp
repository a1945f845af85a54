// The 100 ms system clock: menu time-outs, deferred actions, the blinking move
// light, and the 16-bit tick counter wrapping under all of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/connected_panel.h"

namespace {

using kt::kFalse;
using kt::kLampLit;
using kt::kLampOff;
using kt::kTrue;

class SystemClock : public kt::test::PanelTest {
protected:
    void SetUp() override { OpenAndReset(); }
};

TEST_F(SystemClock, MenuEndsThirtyThreeTicksAfterTheKeyPress) {
    panel.tickCount = 1000;
    panel.cmdArm_Click();
    Tick(32);
    EXPECT_EQ(panel.displayCode, 4);
    EXPECT_EQ(Display(), "GATE: 100mS      ");
    Tick();
    EXPECT_EQ(panel.tickCount, 1033);
    EXPECT_EQ(Display(), "0 ");
    EXPECT_EQ(panel.displayCode, 0);
    EXPECT_EQ(panel.menuTimeoutArmed, kFalse);
    EXPECT_EQ(panel.moveLightBlinking, kFalse);
    EXPECT_EQ(panel.view.shpMoveLight.BackColor, kLampOff);
    EXPECT_EQ(panel.menuFirstPress, kTrue);
}

TEST_F(SystemClock, AnotherPressReArmsTheTimeOut) {
    panel.tickCount = 0;
    panel.cmdArm_Click();
    Tick(20);
    panel.cmdArm_Click();
    EXPECT_EQ(panel.menuTimeoutTick, 53);
    Tick(13);  // tick 33: the first deadline no longer counts
    EXPECT_EQ(panel.displayCode, 4);
    Tick(19);
    EXPECT_EQ(panel.displayCode, 4);
    Tick();
    EXPECT_EQ(panel.tickCount, 53);
    EXPECT_EQ(panel.displayCode, 0);
    EXPECT_EQ(Display(), "0 ");
}

TEST_F(SystemClock, TimeOutRefreshesTheModeLampsForAChangedFunction) {
    panel.LimitLampOn();
    panel.view.lblLimit.Visible = true;
    panel.frequencyRange = 9;
    panel.cmdFrequency_Click();
    panel.cmdFrequency_Click();  // FREQUENCY 2
    Tick(32);
    EXPECT_EQ(panel.limitTestOn, kTrue);
    Tick();
    EXPECT_EQ(panel.limitTestOn, kFalse);
    EXPECT_EQ(panel.view.shpLimitMode.BackColor, kLampOff);
    EXPECT_FALSE(panel.view.lblLimit.Visible);
}

TEST_F(SystemClock, EnterInAFunctionMenuStopsItsTimeOut) {
    panel.cmdFrequency_Click();
    Tick(5);
    panel.cmdEnter_Click();
    EXPECT_EQ(panel.menuTimeoutArmed, kFalse);
    serial.Receive("10.000000000MHz\n");  // readings show again at once
    EXPECT_EQ(Display(), "10.000000000 ");
    Tick(100);
    EXPECT_EQ(Display(), "10.000000000 ");
    EXPECT_EQ(panel.view.shpMoveLight.BackColor, kLampOff);
}

TEST_F(SystemClock, WhenBothDeadlinesMeetTheTimeOutGoesFirst) {
    // A deferred key due on the very tick the menu times out: its menu must
    // survive the time-out.
    panel.tickCount = 200;
    panel.menuTimeoutArmed = kTrue;
    panel.menuTimeoutTick = 212;
    panel.entryUnconfirmed = kTrue;
    panel.cmdStats_Click();
    ASSERT_EQ(panel.deferTick, 212);
    Tick(12);
    EXPECT_EQ(panel.menuTimeoutArmed, kFalse);
    EXPECT_EQ(panel.deferArmed, kFalse);
    EXPECT_EQ(panel.displayCode, 37);
    EXPECT_EQ(Display(), "SHOW: MEAS      ");
    // The statistics menu opened in the same tick keeps the light blinking.
    EXPECT_EQ(panel.moveLightBlinking, kTrue);
}

TEST_F(SystemClock, BlinkFollowsTheCounterEveryThirdTick) {
    panel.moveLightBlinking = kTrue;
    panel.view.shpMoveLight.BackColor = kLampLit;
    panel.tickCount = 10;  // next blink tick: 12
    Tick();
    EXPECT_EQ(panel.view.shpMoveLight.BackColor, kLampLit);
    Tick();
    EXPECT_EQ(panel.view.shpMoveLight.BackColor, kLampOff);
    Tick(2);
    EXPECT_EQ(panel.view.shpMoveLight.BackColor, kLampOff);
    Tick();
    EXPECT_EQ(panel.tickCount, 15);
    EXPECT_EQ(panel.view.shpMoveLight.BackColor, kLampLit);
}

TEST_F(SystemClock, BlinkKeepsItsRhythmWithANegativeCounter) {
    panel.moveLightBlinking = kTrue;
    panel.view.shpMoveLight.BackColor = kLampOff;
    panel.tickCount = -8;
    Tick();  // -7
    Tick();  // -6: divisible by three
    EXPECT_EQ(panel.view.shpMoveLight.BackColor, kLampLit);
    Tick(2);
    EXPECT_EQ(panel.view.shpMoveLight.BackColor, kLampLit);
    Tick();  // -3
    EXPECT_EQ(panel.view.shpMoveLight.BackColor, kLampOff);
    Tick(3);  // 0
    EXPECT_EQ(panel.view.shpMoveLight.BackColor, kLampLit);
}

TEST_F(SystemClock, BlinkNeverFlickersOverAWholeTurnOfTheCounter) {
    // 65536 counter values are not a multiple of three, so the rhythm breaks
    // once per turn: there one half-period lasts four ticks, never fewer than
    // three.
    panel.moveLightBlinking = kTrue;
    panel.tickCount = 0;
    int lastChange = 0;
    int shortest = 1000;
    int longest = 0;
    int longHalfPeriods = 0;
    int changes = 0;
    for (int i = 1; i <= 65536 + 300; ++i) {
        const kt::Color before = panel.view.shpMoveLight.BackColor;
        Tick();
        if (panel.view.shpMoveLight.BackColor != before) {
            if (changes > 0) {
                shortest = std::min(shortest, i - lastChange);
                longest = std::max(longest, i - lastChange);
                longHalfPeriods += (i - lastChange) > 3;
            }
            lastChange = i;
            ++changes;
        }
    }
    EXPECT_EQ(shortest, 3);
    EXPECT_EQ(longest, 4);
    EXPECT_EQ(longHalfPeriods, 1);
}

TEST_F(SystemClock, TimeOutOnABlinkTickLeavesTheLightDark) {
    panel.tickCount = 0;
    panel.cmdCh1Imp_Click();  // deadline 33, divisible by three
    Tick(33);
    EXPECT_EQ(panel.view.shpMoveLight.BackColor, kLampOff);
    Tick(9);
    EXPECT_EQ(panel.view.shpMoveLight.BackColor, kLampOff);
}

TEST_F(SystemClock, TimeOutsKeepWorkingForMoreThanAWholeTurnOfTheCounter) {
    // About four hours of running: open the gate menu every 41 ticks and check
    // that each time-out fires exactly 33 ticks after its press, including
    // twice where the deadline has wrapped past 32767 before the counter.
    int opened = 0;
    int wrappedDeadlines = 0;
    int16_t openedAt = 0;
    bool open = false;
    for (long tick = 0; tick < 140000; ++tick) {
        if (!open && tick % 41 == 0) {
            panel.cmdArm_Click();
            openedAt = panel.tickCount;
            if (panel.menuTimeoutTick < openedAt) ++wrappedDeadlines;
            open = true;
            ++opened;
        }
        Tick();
        const int16_t elapsed = kt::Add16(panel.tickCount, -openedAt);
        if (open) {
            if (elapsed < 33) {
                ASSERT_EQ(panel.displayCode, 4) << "tick " << panel.tickCount;
            } else {
                ASSERT_EQ(elapsed, 33);
                ASSERT_EQ(panel.displayCode, 0) << "tick " << panel.tickCount;
                open = false;
            }
        }
    }
    EXPECT_GT(opened, 3000);
    EXPECT_EQ(wrappedDeadlines, 2);
}

TEST_F(SystemClock, DeferredActionsFireAfterTheCounterHasWrapped) {
    Tick(70000);  // the counter has passed its maximum
    panel.entryUnconfirmed = kTrue;
    panel.cmdCh1Att_Click();
    Tick(11);
    EXPECT_EQ(panel.ch1AttenX10, kFalse);
    Tick();
    EXPECT_EQ(panel.ch1AttenX10, kTrue);
}

TEST_F(SystemClock, DeferredActionPendingAtADisconnectStillFallsDue) {
    panel.tickCount = 32000;
    panel.PowerOn();
    panel.entryUnconfirmed = kTrue;
    panel.cmdStats_Click();
    Tick();
    // The power key's disconnect resets the panel state, but not the pending
    // deadline: it still fires on time. The reset has forgotten which key was
    // waiting, so it only clears the display.
    panel.cmdPower_Click();
    EXPECT_FALSE(serial.PortOpen());
    EXPECT_EQ(panel.deferArmed, kTrue);
    EXPECT_EQ(panel.deferTick, 32012);
    Tick(10);
    EXPECT_EQ(panel.deferArmed, kTrue);
    Tick();
    EXPECT_EQ(panel.deferArmed, kFalse);
    EXPECT_EQ(Display(), "0 ");
    EXPECT_EQ(panel.displayCode, 0);
    EXPECT_EQ(panel.lastKey, 0);  // the statistics key's action did not run
}

}  // namespace
