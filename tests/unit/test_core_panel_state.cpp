// The power-on state of the panel and what the reset leaves alone.
#include <gtest/gtest.h>

#include <cstring>
#include <new>

#include "support/connected_panel.h"

namespace kt::test {
namespace {

using PanelStateTest = PanelTest;

TEST_F(PanelStateTest, ResetRestoresEveryPowerOnValue) {
    // Scramble everything the reset owns.
    panel.menuTimeoutArmed = kTrue;
    panel.deferIsKey = kTrue;
    panel.deferKeyCode = 7;
    panel.entryUnconfirmed = kTrue;
    panel.moveLightBlinking = kTrue;
    panel.displayCode = 31;
    panel.menuFirstPress = kFalse;
    panel.running = kTrue;
    panel.stopOnLimitFail = kTrue;
    panel.lastFunction = 9;
    panel.measFunction = 9;
    panel.freqFuncItem = 5;
    panel.periodFuncItem = 2;
    panel.otherFuncItem = 1;
    panel.gateTimeIndex = 17;
    panel.trigMenuItem = 2;
    panel.limitValueItem = 1;
    panel.limitModeItem = 1;
    panel.mathMenuItem = 2;
    panel.statsMenuItem = 3;
    panel.ch1Imp50Ohm = panel.ch1CouplingDC = panel.ch1AttenX10 = panel.ch1LowPassFilter = kTrue;
    panel.trigSlopeNeg = kTrue;
    panel.trigLevel = -250;
    panel.limitTestOn = panel.mathOn = panel.statsOn = kTrue;
    panel.statsShowItem = 8;
    panel.statsCount = 2000;
    panel.limitUpper = 5e6;
    panel.limitLower = -5e6;
    panel.mathScale = 3.5;
    panel.mathOffset = 1.25;
    panel.statsF0 = 1.0;
    panel.lastKey = 12;
    // And what it must leave alone.
    panel.tickCount = 32767;
    panel.menuTimeoutTick = -32768;
    panel.deferArmed = kTrue;
    panel.deferTick = 4;
    panel.frequencyRange = 8;
    panel.serialBaudIndex = 4;
    panel.serialDtrMode = 1;
    panel.view.txtDisplay.SetText("HOLD ");

    panel.ResetPanelState();

    const Flag cleared[] = {panel.menuTimeoutArmed, panel.deferIsKey, panel.entryUnconfirmed,
                            panel.moveLightBlinking, panel.running, panel.stopOnLimitFail,
                            panel.ch1Imp50Ohm, panel.ch1CouplingDC, panel.ch1AttenX10,
                            panel.ch1LowPassFilter, panel.trigSlopeNeg, panel.limitTestOn,
                            panel.mathOn, panel.statsOn};
    for (Flag f : cleared) EXPECT_EQ(f, kFalse);
    EXPECT_EQ(panel.menuFirstPress, -1);  // a true flag is -1, never 1
    const int16_t zeroed[] = {panel.deferKeyCode, panel.displayCode, panel.lastFunction, panel.measFunction,
                              panel.freqFuncItem, panel.periodFuncItem, panel.otherFuncItem,
                              panel.trigMenuItem, panel.limitValueItem, panel.limitModeItem,
                              panel.mathMenuItem, panel.statsMenuItem, panel.trigLevel,
                              panel.statsShowItem, panel.lastKey};
    for (int16_t v : zeroed) EXPECT_EQ(v, 0);
    EXPECT_EQ(panel.gateTimeIndex, 8);
    EXPECT_EQ(panel.statsCount, 10);
    EXPECT_EQ(panel.limitUpper, 0.0);
    EXPECT_EQ(panel.limitLower, 0.0);
    EXPECT_EQ(panel.mathScale, 1.0);
    EXPECT_EQ(panel.mathOffset, 0.0);
    EXPECT_EQ(panel.statsF0, 10000000.0);

    EXPECT_EQ(panel.tickCount, 32767);
    EXPECT_EQ(panel.menuTimeoutTick, -32768);
    EXPECT_EQ(panel.deferArmed, kTrue);
    EXPECT_EQ(panel.deferTick, 4);
    EXPECT_EQ(panel.frequencyRange, 8);
    EXPECT_EQ(panel.serialBaudIndex, 4);
    EXPECT_EQ(panel.serialDtrMode, 1);
    EXPECT_EQ(panel.view.txtDisplay.Text(), "HOLD ");
}

TEST_F(PanelStateTest, ReconnectBringsBackThePowerOnValues) {
    Connect();
    panel.measFunction = 3;
    panel.entryUnconfirmed = kTrue;
    serial.Receive("LOC\n");  // disconnect without a reset
    EXPECT_EQ(panel.measFunction, 3);
    Reconnect(kReplyFull);
    EXPECT_EQ(panel.measFunction, 0);
    EXPECT_EQ(panel.entryUnconfirmed, kFalse);
    EXPECT_EQ(panel.menuFirstPress, kTrue);
}

// Before the first power-on every variable is 0 or false, whatever the memory
// held before: none of the power-on values yet, and no leftover bytes.
TEST(PanelStart, EveryVariableIsZeroBeforeTheFirstPowerOn) {
    FakeSerial serial;
    alignas(SoftPanel) unsigned char storage[sizeof(SoftPanel)];
    std::memset(storage, 0xA5, sizeof storage);
    SoftPanel* p = new (storage) SoftPanel(serial);
    const int16_t values[] = {p->menuFirstPress, p->gateTimeIndex, p->statsCount,   p->displayCode,
                              p->deferKeyCode,   p->measFunction,  p->entryUnconfirmed, p->lastKey,
                              p->tickCount,      p->deferArmed,    p->frequencyRange};
    for (int16_t v : values) EXPECT_EQ(v, 0);
    for (double v : {p->mathScale, p->statsF0, p->limitUpper}) EXPECT_EQ(v, 0.0);
    p->~SoftPanel();
}

}  // namespace
}  // namespace kt::test
