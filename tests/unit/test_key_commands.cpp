// Clicks on the coded keys: the bytes each one puts on the line, and the
// "NOT ENTERED " deferral while an edited value is unconfirmed.
#include <gtest/gtest.h>

#include <set>
#include <ostream>
#include <string>
#include <vector>

#include "keys/key_table.h"
#include "support/connected_panel.h"

namespace {

using kt::kFalse;
using kt::kTrue;
using kt::SoftPanel;
using kt::test::ConnectedPanel;

class KeyClick : public kt::test::PanelTest {
protected:
    void SetUp() override { OpenAndReset(); }
    // An edit on the panel that Enter has not confirmed yet.
    void LeaveEntryUnconfirmed() { panel.entryUnconfirmed = kTrue; }
};

struct KeyExpectation {
    void (SoftPanel::*click)();
    const char* button;
    int16_t code;
    const char* bytes;
};

// What the counter receives for each key, as its front panel numbers them.
const std::vector<KeyExpectation> kExpectedKeys = {
    {&SoftPanel::cmdFrequency_Click, "cmdFrequency", 1, "SYST:KEY 1\n"},
    {&SoftPanel::cmdOther_Click, "cmdOther", 3, "SYST:KEY 2\n"},
    {&SoftPanel::cmdTime_Click, "cmdTime", 2, "SYST:KEY 4\n"},
    {&SoftPanel::cmdArm_Click, "cmdArm", 4, "SYST:KEY 5\n"},
    {&SoftPanel::cmdUpper_Click, "cmdUpper", 5, "SYST:KEY 7\n"},
    {&SoftPanel::cmdLimitMode_Click, "cmdLimitMode", 6, "SYST:KEY 8\n"},
    {&SoftPanel::cmdRun_Click, "cmdRun", 9, "SYST:KEY 9\n"},
    {&SoftPanel::cmdScale_Click, "cmdScale", 7, "SYST:KEY 10\n"},
    {&SoftPanel::cmdStats_Click, "cmdStats", 8, "SYST:KEY 11\n"},
    {&SoftPanel::cmdStop_Click, "cmdStop", 10, "SYST:KEY 12\n"},
    {&SoftPanel::cmdCh1Trig_Click, "cmdCh1Trig", 11, "SYST:KEY 13\n"},
    {&SoftPanel::cmdCh1Imp_Click, "cmdCh1Imp", 12, "SYST:KEY 14\n"},
    {&SoftPanel::cmdCh1Coup_Click, "cmdCh1Coup", 13, "SYST:KEY 15\n"},
    {&SoftPanel::cmdCh1Att_Click, "cmdCh1Att", 14, "SYST:KEY 16\n"},
    {&SoftPanel::cmdCh1Filt_Click, "cmdCh1Filt", 15, "SYST:KEY 17\n"},
    {&SoftPanel::cmdSpeedHigh_Click, "cmdSpeedHigh", 16, "SYST:KEY 19\n"},
    {&SoftPanel::cmdSpeedFast_Click, "cmdSpeedFast", 17, "SYST:KEY 20\n"},
    {&SoftPanel::cmdSpeedMiddle_Click, "cmdSpeedMiddle", 18, "SYST:KEY 21\n"},
    {&SoftPanel::cmdSpeedLow_Click, "cmdSpeedLow", 19, "SYST:KEY 22\n"},
};

TEST_F(KeyClick, EveryCodedKeySendsItsKeyNumberOnceWithOneLineFeed) {
    ASSERT_EQ(kExpectedKeys.size(), kt::kCodedKeys.size());
    for (const auto& k : kExpectedKeys) {
        SCOPED_TRACE(k.button);
        ConnectedPanel fresh;
        fresh.OpenAndReset();
        SoftPanel& p = fresh.panel;
        (p.*k.click)();
        EXPECT_EQ(fresh.serial.written, std::vector<std::string>{k.bytes});
        EXPECT_EQ(p.deferIsKey, kFalse);

        // The key table names the same key under the same code and number.
        const kt::CodedKey* entry = kt::FindCodedKey(k.code);
        ASSERT_NE(entry, nullptr);
        EXPECT_STREQ(entry->button, k.button);
        EXPECT_EQ("SYST:KEY " + std::to_string(entry->keyNumber) + "\n", k.bytes);
    }
}

TEST_F(KeyClick, DeferredKeysStillSendTheirCommandAtOnceAndStoreTheirCode) {
    for (const auto& k : kExpectedKeys) {
        SCOPED_TRACE(k.button);
        ConnectedPanel fresh;
        fresh.OpenAndReset();
        SoftPanel& p = fresh.panel;
        p.entryUnconfirmed = kTrue;
        (p.*k.click)();
        EXPECT_EQ(fresh.serial.written, std::vector<std::string>{k.bytes});
        EXPECT_EQ(p.deferKeyCode, k.code);
        EXPECT_EQ(p.deferIsKey, kTrue);
        EXPECT_EQ(p.view.txtDisplay.Text(), "NOT ENTERED ");
    }
}

TEST(KeyTable, NumbersAreDistinctAndSkipTheCounterKeysThePanelLacks) {
    std::set<int16_t> numbers;
    for (const auto& key : kt::kKeyNumbers) {
        EXPECT_TRUE(numbers.insert(key.number).second) << key.button;
        EXPECT_GE(key.number, 1);
        EXPECT_LE(key.number, 30);
    }
    for (int16_t missing : {3, 6, 18, 23, 24}) EXPECT_EQ(numbers.count(missing), 0u) << missing;
    // The disabled keys and the power key send no key number.
    for (const char* none : {"cmdSave", "cmdUtility", "cmdKeyLock", "cmdPower"})
        EXPECT_EQ(kt::FindKeyNumber(none), 0) << none;
    // Every coded key is in the table of key numbers under its own name.
    for (const auto& key : kt::kCodedKeys) EXPECT_EQ(key.keyNumber, kt::FindKeyNumber(key.button)) << key.button;
    EXPECT_EQ(kt::FindCodedKey(0), nullptr);
    EXPECT_EQ(kt::FindCodedKey(20), nullptr);
}

TEST_F(KeyClick, GateKeyActsAtOnceWhenNothingIsPending) {
    panel.cmdArm_Click();
    EXPECT_EQ(panel.displayCode, 4);
    EXPECT_EQ(Display(), "GATE: 100mS      ");
    EXPECT_EQ(panel.deferIsKey, kFalse);
    EXPECT_EQ(panel.deferArmed, kFalse);
    EXPECT_EQ(serial.AllWritten(), "SYST:KEY 5\n");
}

TEST_F(KeyClick, StatsKeyWithUnconfirmedEntryShowsNotEnteredAndWaits) {
    panel.tickCount = 1234;
    LeaveEntryUnconfirmed();
    panel.cmdStats_Click();
    EXPECT_EQ(Display(), "NOT ENTERED ");
    EXPECT_EQ(panel.displayCode, 42);
    EXPECT_EQ(panel.entryUnconfirmed, kFalse);
    EXPECT_EQ(panel.deferArmed, kTrue);
    EXPECT_EQ(panel.deferTick, 1246);
    EXPECT_EQ(panel.deferIsKey, kTrue);
    EXPECT_EQ(panel.deferKeyCode, 8);
    // The statistics menu is not opened yet.
    EXPECT_EQ(panel.lastKey, 0);
    EXPECT_EQ(serial.AllWritten(), "SYST:KEY 11\n");
}

TEST_F(KeyClick, DeferredActionRunsTwelveTicksLaterExactlyOnce) {
    struct Case {
        int16_t start;  // the tick counter at the press
        void (SoftPanel::*click)();
        kt::Flag SoftPanel::*setting;  // toggles on each run: a second run would undo it
        int16_t deadline;
        int16_t displayCode;
        const char* shown;
        const char* bytes;
    };
    const Case cases[] = {
        {500, &SoftPanel::cmdCh1Imp_Click, &SoftPanel::ch1Imp50Ohm, 512, 5, "CH 1: 50 OHM      ", "SYST:KEY 14\n"},
        // The deadline wraps with the counter.
        {32760, &SoftPanel::cmdCh1Coup_Click, &SoftPanel::ch1CouplingDC, -32764, 7, "CH 1: DC              ",
         "SYST:KEY 15\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        ConnectedPanel fresh;
        fresh.OpenAndReset();
        SoftPanel& p = fresh.panel;
        p.tickCount = c.start;
        p.entryUnconfirmed = kTrue;
        (p.*c.click)();
        EXPECT_EQ(p.deferTick, c.deadline);
        fresh.Tick(11);
        EXPECT_EQ(fresh.Display(), "NOT ENTERED ");
        EXPECT_EQ(p.*c.setting, kFalse);
        fresh.Tick(1);
        EXPECT_EQ(p.*c.setting, kTrue);
        EXPECT_EQ(p.displayCode, c.displayCode);
        EXPECT_EQ(fresh.Display(), c.shown);
        EXPECT_EQ(p.deferArmed, kFalse);
        EXPECT_EQ(p.deferIsKey, kFalse);
        fresh.Tick(65536);  // a whole turn of the counter: the old deadline never matches again
        EXPECT_EQ(p.*c.setting, kTrue);
        EXPECT_EQ(fresh.serial.AllWritten(), c.bytes);
    }
}

TEST_F(KeyClick, NewerKeyDropsTheDeferredOneAndActsAtOnce) {
    LeaveEntryUnconfirmed();
    panel.cmdCh1Imp_Click();
    Tick(5);
    panel.cmdCh1Att_Click();  // entryUnconfirmed is already false: not deferred
    EXPECT_EQ(panel.deferArmed, kFalse);
    EXPECT_EQ(panel.ch1AttenX10, kTrue);
    EXPECT_EQ(panel.displayCode, 9);
    Tick(20);
    EXPECT_EQ(panel.ch1Imp50Ohm, kFalse);
    EXPECT_EQ(serial.AllWritten(), "SYST:KEY 14\nSYST:KEY 16\n");
}

TEST_F(KeyClick, SecondDeferralReplacesTheFirst) {
    panel.tickCount = 0;
    LeaveEntryUnconfirmed();
    panel.cmdCh1Imp_Click();
    Tick(4);
    LeaveEntryUnconfirmed();  // the user edited again in between
    panel.cmdCh1Filt_Click();
    EXPECT_EQ(panel.deferKeyCode, 15);
    EXPECT_EQ(panel.deferTick, 16);
    Tick(8);  // tick 12: the first deadline has gone
    EXPECT_EQ(panel.ch1Imp50Ohm, kFalse);
    EXPECT_EQ(panel.ch1LowPassFilter, kFalse);
    Tick(4);
    EXPECT_EQ(panel.ch1LowPassFilter, kTrue);
    EXPECT_EQ(panel.ch1Imp50Ohm, kFalse);
}

TEST_F(KeyClick, MessageAfterADismissedDeferralOnlyClearsItself) {
    // "NOT ENTERED " dismissed with an arrow leaves the stored key behind; a
    // later "NO STAT MENU  " must clear itself without running that key.
    panel.measFunction = 7;  // PERIOD 1: no statistics menu
    LeaveEntryUnconfirmed();
    panel.cmdCh1Imp_Click();
    panel.cmdUp_Click();
    panel.cmdCh1Att_Click();  // acts at once and forgets the dropped key
    EXPECT_EQ(panel.deferIsKey, kFalse);
    panel.cmdStats_Click();
    EXPECT_EQ(panel.deferIsKey, kFalse);
    EXPECT_EQ(Display(), "NO STAT MENU  ");
    Tick(12);
    EXPECT_EQ(Display(), "0 ");
    EXPECT_EQ(panel.displayCode, 0);
    EXPECT_EQ(panel.ch1Imp50Ohm, kFalse);
    EXPECT_EQ(serial.AllWritten(), "SYST:KEY 14\nSYST:KEY 25\nSYST:KEY 16\nSYST:KEY 11\n");
}

struct DismissingKey {
    const char* name;
    void (SoftPanel::*click)();
    const char* bytes;
};
void PrintTo(const DismissingKey& c, std::ostream* os) { *os << c.name; }

class DismissNotEntered : public KeyClick, public ::testing::WithParamInterface<DismissingKey> {};

TEST_P(DismissNotEntered, ArrowSignAndEnterDropTheDeferredKey) {
    LeaveEntryUnconfirmed();
    panel.cmdCh1Imp_Click();
    ClearWritten();
    Tick(3);
    (panel.*GetParam().click)();
    EXPECT_EQ(Display(), "0 ");
    EXPECT_EQ(panel.displayCode, 0);
    EXPECT_EQ(panel.deferArmed, kFalse);
    EXPECT_EQ(panel.menuFirstPress, kTrue);
    EXPECT_EQ(serial.AllWritten(), GetParam().bytes);
    Tick(20);
    EXPECT_EQ(panel.ch1Imp50Ohm, kFalse);
    EXPECT_EQ(Display(), "0 ");
}

INSTANTIATE_TEST_SUITE_P(Keys, DismissNotEntered,
                         ::testing::Values(DismissingKey{"Up", &SoftPanel::cmdUp_Click, "SYST:KEY 25\n"},
                                           DismissingKey{"Left", &SoftPanel::cmdLeft_Click, "SYST:KEY 26\n"},
                                           DismissingKey{"Right", &SoftPanel::cmdRight_Click, "SYST:KEY 27\n"},
                                           DismissingKey{"Down", &SoftPanel::cmdDown_Click, "SYST:KEY 28\n"},
                                           DismissingKey{"Sign", &SoftPanel::cmdSign_Click, "SYST:KEY 29\n"},
                                           DismissingKey{"Enter", &SoftPanel::cmdEnter_Click, "SYST:KEY 30\n"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
