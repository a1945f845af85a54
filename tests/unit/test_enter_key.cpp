// The Enter key: closing menus, committing edited values with their modes
// and lamps, and dismissing messages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/connected_panel.h"

namespace {

using kt::kFalse;
using kt::kLampLit;
using kt::kLampOff;
using kt::kTrue;

class EnterKey : public kt::test::PanelTest {
protected:
    void SetUp() override { panel.ResetPanelState(); }

    void Enter() {
        ClearWritten();
        panel.cmdEnter_Click();
        EXPECT_EQ(serial.written, std::vector<std::string>{"SYST:KEY 30\n"});
    }
};

// Enter in a function or gate-time menu closes it and lets the counter run.
TEST_F(EnterKey, ClosesFunctionAndGateMenusAndRuns) {
    for (int16_t code : {1, 2, 3, 4}) {
        panel.ResetPanelState();
        panel.displayCode = code;
        switch (code) {
        case 1: panel.StepFreqFuncForward(); break;
        case 2: panel.StepPeriodFuncForward(); break;
        case 3: panel.StepOtherFuncForward(); break;
        default: panel.StepGateForward(); break;
        }
        panel.LimitLampOn();  // switched off when the new function is first seen
        panel.view.shpMoveLight.BackColor = kLampLit;
        panel.view.shpCh1Trig.BackColor = kLampLit;
        Enter();
        EXPECT_EQ(Display(), "0 ");
        EXPECT_EQ(panel.displayCode, 0);
        EXPECT_EQ(panel.menuFirstPress, kTrue);
        EXPECT_EQ(panel.menuTimeoutArmed, kFalse);
        EXPECT_EQ(panel.moveLightBlinking, kFalse);
        EXPECT_EQ(panel.view.shpMoveLight.BackColor, kLampOff);
        EXPECT_EQ(panel.view.shpCh1Trig.BackColor, kLampOff);
        EXPECT_EQ(panel.running, kTrue);
        EXPECT_EQ(panel.view.shpRunning.BackColor, kLampLit);
        EXPECT_EQ(panel.view.shpStopping.BackColor, kLampOff);
        const bool functionChanged = code == 2 || code == 3;
        EXPECT_EQ(panel.limitTestOn, functionChanged ? kFalse : kTrue) << "code " << code;
    }
}

TEST_F(EnterKey, AfterClosingTheGateMenuAnArrowOnlySends) {
    panel.displayCode = 4;
    panel.StepGateForward();
    Enter();
    ClearWritten();
    panel.cmdUp_Click();
    EXPECT_EQ(panel.gateTimeIndex, 8);
    EXPECT_EQ(Display(), "0 ");
    EXPECT_EQ(serial.written, std::vector<std::string>{"SYST:KEY 25\n"});
}

TEST_F(EnterKey, CommitsTheTriggerLevel) {
    panel.ShowTriggerMenu();
    panel.cmdLeft_Click();
    panel.cmdLeft_Click();
    panel.cmdDown_Click();  // -1.00 V
    EXPECT_EQ(panel.entryUnconfirmed, kTrue);
    Enter();
    EXPECT_EQ(panel.entryUnconfirmed, kFalse);
    EXPECT_EQ(panel.trigLevel, -100);
    EXPECT_EQ(panel.intEditor.editCursor, 0);
    EXPECT_EQ(Display(), "LEVEL: -1.00V      ");
    EXPECT_EQ(panel.view.txtDisplay.SelStart, 11);
    EXPECT_EQ(panel.view.txtDisplay.SelLength, 1);
    EXPECT_EQ(panel.displayCode, 13);
    EXPECT_EQ(panel.menuTimeoutArmed, kFalse);
}

TEST_F(EnterKey, CommittingTheCountSwitchesStatisticsOn) {
    panel.statsMenuItem = 2;
    panel.ShowStatsMenu();
    panel.cmdLeft_Click();
    panel.cmdLeft_Click();
    panel.cmdUp_Click();  // 110, cursor on the hundreds
    Enter();
    EXPECT_EQ(panel.statsCount, 110);
    EXPECT_EQ(panel.entryUnconfirmed, kFalse);
    EXPECT_EQ(panel.intEditor.editCursor, 0);
    EXPECT_EQ(Display(), "N:                 110 ");
    EXPECT_EQ(panel.view.txtDisplay.SelStart, 21);
    EXPECT_EQ(panel.statsOn, kTrue);
    EXPECT_EQ(panel.view.shpStatsMode.BackColor, kLampLit);
    EXPECT_EQ(panel.displayCode, 39);
}

// Each value setting: Up on the leading digit, Enter stores it, switches its
// mode on and shows the item again with seven digits and its label.
TEST_F(EnterKey, CommitsEachValueSettingWithItsLamp) {
    struct Case {
        int16_t code;
        void (*open)(kt::SoftPanel&);
        double kt::SoftPanel::*setting;
        double stored;
        kt::Flag kt::SoftPanel::*mode;
        kt::Lamp kt::PanelView::*lamp;
        const char* shownAgain;
    };
    const Case cases[] = {
        {30, [](kt::SoftPanel& p) { p.limitValueItem = 0; p.ShowLimitValueMenu(); }, &kt::SoftPanel::limitUpper, 1.0,
         &kt::SoftPanel::limitTestOn, &kt::PanelView::shpLimitMode, "UPPR: 1.000000 "},
        {31, [](kt::SoftPanel& p) { p.limitValueItem = 1; p.ShowLimitValueMenu(); }, &kt::SoftPanel::limitLower, 1.0,
         &kt::SoftPanel::limitTestOn, &kt::PanelView::shpLimitMode, "LOWR: 1.000000 "},
        {34, [](kt::SoftPanel& p) { p.mathMenuItem = 0; p.ShowMathMenu(); }, &kt::SoftPanel::mathScale, 2.0,
         &kt::SoftPanel::mathOn, &kt::PanelView::shpMathMode, "SCAL: 2.000000 "},
        {35, [](kt::SoftPanel& p) { p.mathMenuItem = 1; p.ShowMathMenu(); }, &kt::SoftPanel::mathOffset, 1.0,
         &kt::SoftPanel::mathOn, &kt::PanelView::shpMathMode, "OFFS: 1.000000 "},
        {38, [](kt::SoftPanel& p) { p.statsMenuItem = 1; p.ShowStatsMenu(); }, &kt::SoftPanel::statsF0, 2.0e7,
         &kt::SoftPanel::statsOn, &kt::PanelView::shpStatsMode, "F0:   20.00000 "},
    };
    for (const auto& c : cases) {
        panel.ResetPanelState();
        c.open(panel);
        ASSERT_EQ(panel.displayCode, c.code);
        panel.cmdUp_Click();
        EXPECT_EQ(panel.entryUnconfirmed, kTrue);
        Enter();
        EXPECT_EQ(panel.entryUnconfirmed, kFalse);
        EXPECT_DOUBLE_EQ(panel.*c.setting, c.stored) << "code " << c.code;
        EXPECT_EQ(panel.*c.mode, kTrue) << "code " << c.code;
        EXPECT_EQ((panel.view.*c.lamp).BackColor, kLampLit) << "code " << c.code;
        EXPECT_EQ(Display(), c.shownAgain);
        EXPECT_EQ(panel.displayCode, c.code);
        EXPECT_EQ(panel.valueEditor.editValueDigits, 7);
    }
}

// A value widened to eleven digits is stored in full and shown again with
// seven digits and its label.
TEST_F(EnterKey, StoresAllElevenDigitsOfAWidenedValue) {
    panel.limitUpper = 1.0;
    panel.ShowLimitValueMenu();
    for (int i = 0; i < 7; ++i) panel.cmdRight_Click();  // past the seventh digit: eleven shown
    EXPECT_EQ(panel.valueEditor.editValueDigits, 11);
    for (int i = 0; i < 4; ++i) panel.cmdRight_Click();
    panel.cmdUp_Click();  // the eleventh digit
    Enter();
    EXPECT_DOUBLE_EQ(panel.limitUpper, 1.0000000001);
    EXPECT_EQ(panel.valueEditor.editValueDigits, 7);
    EXPECT_EQ(Display(), "UPPR: 1.000000 ");
}

// Where the arrows already changed the setting, Enter has nothing to confirm:
// it changes nothing locally and still sends its key.
TEST_F(EnterKey, DoesNothingLocallyWhereNothingIsEdited) {
    for (int16_t code : {0, 5, 7, 9, 11, 15, 32, 33, 36, 37, 40, 6, 14, 41, 43}) {
        panel.displayCode = code;
        panel.view.txtDisplay.SetText("unchanged");
        panel.entryUnconfirmed = kTrue;
        panel.menuTimeoutArmed = kTrue;
        panel.deferArmed = kTrue;
        panel.running = kFalse;
        Enter();
        EXPECT_EQ(panel.displayCode, code);
        EXPECT_EQ(Display(), "unchanged");
        EXPECT_EQ(panel.entryUnconfirmed, kTrue);
        EXPECT_EQ(panel.menuTimeoutArmed, kTrue);
        EXPECT_EQ(panel.deferArmed, kTrue);
        EXPECT_EQ(panel.running, kFalse);
        EXPECT_EQ(panel.limitTestOn, kFalse);
        EXPECT_EQ(panel.statsOn, kFalse);
    }
}

TEST_F(EnterKey, DismissesAMessageAndDropsTheDeferredKey) {
    panel.ShowMenuMessage(4);
    panel.deferArmed = kTrue;
    panel.deferIsKey = kTrue;
    panel.deferKeyCode = 1;
    panel.menuFirstPress = kFalse;
    Enter();
    EXPECT_EQ(panel.deferArmed, kFalse);
    EXPECT_EQ(Display(), "0 ");
    EXPECT_EQ(panel.menuFirstPress, kTrue);
    EXPECT_EQ(panel.displayCode, 0);
}

TEST_F(EnterKey, CommitOnAnotherCodeStoresNothing) {
    panel.LoadValueEditor(5.0);
    panel.displayCode = 36;
    panel.entryUnconfirmed = kTrue;
    panel.CommitEditedValue();
    EXPECT_EQ(panel.entryUnconfirmed, kFalse);
    EXPECT_EQ(panel.mathScale, 1.0);
    EXPECT_EQ(panel.mathOffset, 0.0);
    EXPECT_EQ(panel.mathOn, kFalse);
}

}  // namespace
