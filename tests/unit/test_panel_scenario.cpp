// A session at the panel as a user clicks it: connect to a 1.5 GHz counter,
// change the function, set a gate time with the speed keys, set an upper
// limit, switch to a ratio function, stop and run. After every step the test
// reads the display, the lamps and the bytes sent to the counter.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/connected_panel.h"

namespace {

using kt::kFalse;
using kt::kTrue;

using PanelSession = kt::test::PanelTest;

TEST_F(PanelSession, AUserSetsUpAMeasurementFromConnectToRun) {
    const kt::PanelView& v = panel.view;

    // --- Start the program: it connects and asks the counter who it is.
    panel.Form_Load();
    EXPECT_EQ(Sent(), "*IDN?\n");
    EXPECT_TRUE(serial.PortOpen());
    EXPECT_EQ(v.cmdPower.Caption, "断开");
    EXPECT_TRUE(Lit(v.shpFrequency));
    EXPECT_TRUE(Lit(v.shpStopping));
    EXPECT_TRUE(Lit(v.shpSpeedFast));
    EXPECT_FALSE(Lit(v.shpRunning));

    Identify(kt::test::kIdentity);
    EXPECT_EQ(Sent(), "*RST\n");
    EXPECT_EQ(v.lblTitle.Caption, "KT46290型高精度频率计（Frequency Counter）  -1.5GHz");
    EXPECT_EQ(panel.frequencyRange, 2);
    EXPECT_TRUE(v.cmdUpper.Enabled);
    EXPECT_TRUE(v.cmdStats.Enabled);
    EXPECT_FALSE(v.cmdSave.Enabled);
    EXPECT_FALSE(v.cmdUtility.Enabled);
    EXPECT_FALSE(v.cmdKeyLock.Enabled);

    serial.Receive("10.000000000MHz\n");
    EXPECT_EQ(Display(), "10.000000000 ");
    EXPECT_TRUE(v.lblPosExp.Visible);
    EXPECT_TRUE(v.lblFreqUnit.Visible);
    Tick(5);

    // --- Frequency key: shows the current function; again: channel 2.
    panel.cmdFrequency_Click();
    EXPECT_EQ(Sent(), "SYST:KEY 1\n");
    EXPECT_EQ(Display(), "FREQUENCY 1    ");
    EXPECT_FALSE(v.lblFreqUnit.Visible);
    serial.Receive("10.000000001MHz\n");  // readings wait while the menu is up
    EXPECT_EQ(Display(), "FREQUENCY 1    ");
    Tick(10);
    panel.cmdFrequency_Click();
    EXPECT_EQ(Sent(), "SYST:KEY 1\n");
    EXPECT_EQ(Display(), "FREQUENCY 2    ");
    EXPECT_EQ(panel.measFunction, 1);
    EXPECT_TRUE(v.lblCh2.Visible);
    EXPECT_FALSE(v.lblCh1.Visible);
    Tick(9);  // the move light blinks in step with the clock while the menu is up
    EXPECT_EQ(panel.moveLightBlinking, kTrue);
    EXPECT_TRUE(Lit(v.shpMoveLight));
    Tick(24);  // 3.3 s after the last press the menu ends
    EXPECT_EQ(Display(), "0 ");
    EXPECT_FALSE(Lit(v.shpMoveLight));
    serial.Receive("25.000000kHz\n");
    EXPECT_EQ(Display(), "25.000000 ");
    EXPECT_EQ(v.lblPosExp.Caption, "k");

    // --- Gate time 1 s with the low-speed key, then a look at the gate menu.
    panel.cmdSpeedLow_Click();
    EXPECT_EQ(Sent(), "SYST:KEY 22\n");
    EXPECT_EQ(Display(), "0 ");
    EXPECT_TRUE(Lit(v.shpSpeedLow));
    EXPECT_FALSE(Lit(v.shpSpeedFast));
    panel.cmdArm_Click();
    EXPECT_EQ(Display(), "GATE: 1S             ");
    panel.cmdEnter_Click();  // closes the gate menu and runs
    EXPECT_EQ(Sent(), "SYST:KEY 5\nSYST:KEY 30\n");
    EXPECT_EQ(Display(), "0 ");
    EXPECT_TRUE(Lit(v.shpRunning));
    EXPECT_FALSE(Lit(v.shpStopping));
    EXPECT_TRUE(Lit(v.shpSpeedLow));

    // --- Upper limit: open the menu, raise the leading digit twice, confirm.
    panel.cmdUpper_Click();
    EXPECT_EQ(Sent(), "SYST:KEY 7\n");
    EXPECT_EQ(panel.displayCode, 30);
    EXPECT_EQ(Display(), "UPPR: 0.000000 ");
    EXPECT_TRUE(v.lblFreqUnit.Visible);
    EXPECT_TRUE(panel.moveLightBlinking == kTrue);
    panel.cmdUp_Click();
    panel.cmdUp_Click();
    EXPECT_EQ(Sent(), "SYST:KEY 25\nSYST:KEY 25\n");
    EXPECT_EQ(Display(), "UPPR: 2.000000 ");
    EXPECT_EQ(panel.entryUnconfirmed, kTrue);
    Tick(50);  // the limit menu has no time-out
    EXPECT_EQ(Display(), "UPPR: 2.000000 ");
    panel.cmdEnter_Click();
    EXPECT_EQ(Sent(), "SYST:KEY 30\n");
    EXPECT_DOUBLE_EQ(panel.limitUpper, 2.0);
    EXPECT_EQ(panel.entryUnconfirmed, kFalse);
    EXPECT_TRUE(Lit(v.shpLimitMode));
    EXPECT_EQ(Display(), "UPPR: 2.000000 ");

    // --- The lower limit, changed but left unconfirmed: the next key waits.
    panel.cmdUpper_Click();
    EXPECT_EQ(Display(), "LOWR: 0.000000 ");
    panel.cmdUp_Click();
    EXPECT_EQ(Display(), "LOWR: 1.000000 ");
    Sent();
    panel.cmdFrequency_Click();
    EXPECT_EQ(Sent(), "SYST:KEY 1\n");  // the counter gets the key at once
    EXPECT_EQ(Display(), "NOT ENTERED ");
    Tick(11);
    EXPECT_EQ(Display(), "NOT ENTERED ");
    Tick();
    EXPECT_EQ(Display(), "FREQUENCY 2    ");  // a first press: shows the function
    EXPECT_DOUBLE_EQ(panel.limitLower, 0.0);  // the edit was abandoned

    // --- On to RATIO 2 TO 1: the items this model lacks are skipped.
    panel.cmdFrequency_Click();
    EXPECT_EQ(Display(), "RATIO 1 TO 2      ");
    panel.cmdFrequency_Click();
    EXPECT_EQ(Display(), "RATIO 2 TO 1      ");
    EXPECT_EQ(Sent(), "SYST:KEY 1\nSYST:KEY 1\n");
    EXPECT_TRUE(v.lblCh1.Visible);
    EXPECT_TRUE(v.lblCh2.Visible);
    EXPECT_EQ(panel.limitTestOn, kTrue);  // still on until the menu ends
    Tick(33);
    EXPECT_EQ(Display(), "0 ");
    EXPECT_EQ(panel.limitTestOn, kFalse);  // the function changed: modes drop
    EXPECT_FALSE(Lit(v.shpLimitMode));

    // --- No limit menu for a ratio of channel 2 to 1.
    panel.cmdUpper_Click();
    EXPECT_EQ(Sent(), "SYST:KEY 7\n");
    EXPECT_EQ(Display(), "NO LIM MENU     ");
    Tick(12);
    EXPECT_EQ(Display(), "0 ");
    EXPECT_EQ(panel.displayCode, 0);

    // --- Stop, a reading still comes in, then run again.
    panel.cmdStop_Click();
    EXPECT_EQ(Sent(), "SYST:KEY 12\n");
    EXPECT_TRUE(Lit(v.shpStopping));
    EXPECT_FALSE(Lit(v.shpRunning));
    serial.Receive("1.0000000\n");
    EXPECT_EQ(Display(), "1.0000000 ");
    panel.cmdRun_Click();
    EXPECT_EQ(Sent(), "SYST:KEY 9\n");
    EXPECT_EQ(Display(), "0 ");
    EXPECT_TRUE(Lit(v.shpRunning));
    EXPECT_FALSE(Lit(v.shpStopping));

    // --- Switch off: the counter returns to local operation.
    panel.cmdPower_Click();
    EXPECT_EQ(Sent(), "SYST:LOC\n");
    EXPECT_FALSE(serial.PortOpen());
    EXPECT_FALSE(v.cmdFrequency.Enabled);
    EXPECT_EQ(serial.writtenWhileClosed, 0);
}

}  // namespace
