// The arrow keys in the panel's menus: stepping function and gate menus,
// toggling two-state settings, and the integer and value editors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "menus/menu_texts.h"
#include "support/connected_panel.h"

namespace {

using kt::kFalse;
using kt::kLampLit;
using kt::kLampOff;
using kt::kTrue;

class MenuNavigation : public kt::test::PanelTest {
protected:
    void SetUp() override { panel.ResetPanelState(); }

    // Opens a function or gate menu as its key does: a first press that only
    // shows the current item.
    void Open(int16_t code) {
        panel.displayCode = code;
        panel.menuFirstPress = kTrue;
        switch (code) {
        case 1: panel.StepFreqFuncForward(); break;
        case 2: panel.StepPeriodFuncForward(); break;
        case 4: panel.StepGateForward(); break;
        default: FAIL() << "no such menu";
        }
    }
};

// The items each model offers, stepped through with Up and with Down.
TEST_F(MenuNavigation, FunctionMenusVisitOnlyOfferedItems) {
    struct Case {
        int16_t range;
        int16_t code;
        std::vector<int16_t> up;
        std::vector<int16_t> down;
    };
    const Case cases[] = {
        {0, 1, {0, 0, 0}, {0, 0, 0}},
        {1, 1, {1, 3, 5, 0}, {5, 3, 1, 0}},
        {4, 1, {1, 3, 5, 0}, {5, 3, 1, 0}},
        {5, 1, {2, 4, 6, 0}, {6, 4, 2, 0}},
        {6, 1, {2, 4, 6, 0}, {6, 4, 2, 0}},
        {7, 1, {1, 2, 3, 4, 5, 6, 0}, {6, 5, 4, 3, 2, 1, 0}},
        {9, 1, {1, 2, 3, 4, 5, 6, 0}, {6, 5, 4, 3, 2, 1, 0}},
        {0, 2, {0, 0}, {0, 0}},
        {3, 2, {1, 0}, {1, 0}},
        {6, 2, {2, 0}, {2, 0}},
        {8, 2, {1, 2, 0}, {2, 1, 0}},
    };
    for (const auto& c : cases) {
        for (bool up : {true, false}) {
            panel.ResetPanelState();
            panel.frequencyRange = c.range;
            Open(c.code);
            for (int16_t expected : up ? c.up : c.down) {
                if (up) {
                    panel.cmdUp_Click();
                } else {
                    panel.cmdDown_Click();
                }
                const int16_t item = c.code == 1 ? panel.freqFuncItem : panel.periodFuncItem;
                ASSERT_EQ(item, expected) << "range " << c.range << " menu " << c.code << (up ? " up" : " down");
                const std::string_view text = c.code == 1 ? kt::menus::kFreqFuncTexts.at(std::size_t(item))
                                                          : kt::menus::kPeriodFuncTexts.at(std::size_t(item));
                EXPECT_EQ(Display(), text);
                EXPECT_EQ(panel.measFunction, item + (c.code == 1 ? 0 : 7));
            }
        }
    }
}

TEST_F(MenuNavigation, RightAndLeftStepLikeUpAndDown) {
    panel.frequencyRange = 9;
    Open(4);
    panel.cmdRight_Click();
    EXPECT_EQ(Display(), "GATE: 400mS      ");
    panel.cmdLeft_Click();
    panel.cmdLeft_Click();
    EXPECT_EQ(Display(), "GATE: 70mS        ");
}

// A first press shows the current item without advancing, but an item the
// model lacks is still moved to an offered one.
TEST_F(MenuNavigation, FirstPressDoesNotAdvanceButStillSkips) {
    panel.frequencyRange = 2;
    Open(1);
    EXPECT_EQ(panel.freqFuncItem, 0);
    EXPECT_EQ(Display(), "FREQUENCY 1    ");
    EXPECT_EQ(panel.menuFirstPress, kFalse);

    panel.freqFuncItem = 2;  // not on this model
    Open(1);
    EXPECT_EQ(panel.freqFuncItem, 3);
    EXPECT_EQ(Display(), "RATIO 1 TO 2      ");

    panel.frequencyRange = 5;
    panel.periodFuncItem = 1;
    Open(2);
    EXPECT_EQ(panel.periodFuncItem, 2);
    EXPECT_EQ(panel.measFunction, 9);

    // Back always moves, first press or not.
    panel.menuFirstPress = kTrue;
    panel.cmdDown_Click();
    EXPECT_EQ(panel.periodFuncItem, 0);
}

TEST_F(MenuNavigation, GateTimeWrapsAtBothEnds) {
    Open(4);
    EXPECT_EQ(Display(), "GATE: 100mS      ");
    panel.gateTimeIndex = 0;
    panel.cmdDown_Click();
    EXPECT_EQ(panel.gateTimeIndex, 17);
    EXPECT_EQ(Display(), "GATE: EXTERNL ");
    panel.cmdUp_Click();
    EXPECT_EQ(panel.gateTimeIndex, 0);
    EXPECT_EQ(Display(), "GATE: 10uS         ");
}

TEST_F(MenuNavigation, OtherFunctionMenuShowsItsOnlyItem) {
    panel.displayCode = 3;
    panel.cmdUp_Click();
    panel.cmdDown_Click();
    EXPECT_EQ(panel.otherFuncItem, 0);
    EXPECT_EQ(Display(), "FREQ CHECK     ");
    EXPECT_EQ(panel.measFunction, 10);
    EXPECT_TRUE(panel.view.lblFreq.Visible);
    EXPECT_FALSE(panel.view.lblCh1.Visible);
}

// Every step of a timed menu re-arms the 33-tick time-out, in 16-bit ticks.
TEST_F(MenuNavigation, TimedStepsArmTheTimeOutAcrossTheTickWrap) {
    panel.tickCount = 32760;
    Open(1);
    EXPECT_EQ(panel.menuTimeoutArmed, kTrue);
    EXPECT_EQ(panel.menuTimeoutTick, -32743);
    EXPECT_EQ(panel.moveLightBlinking, kTrue);

    // Channel toggles arm as well, but leave the first-press mark alone.
    panel.displayCode = 5;
    panel.menuFirstPress = kTrue;
    panel.menuTimeoutArmed = kFalse;
    panel.tickCount = 100;
    panel.cmdLeft_Click();
    EXPECT_EQ(panel.menuTimeoutTick, 133);
    EXPECT_EQ(panel.menuTimeoutArmed, kTrue);
    EXPECT_EQ(panel.menuFirstPress, kTrue);
}

TEST_F(MenuNavigation, EveryArrowTogglesTwoStateSettings) {
    struct Case {
        int16_t code;
        kt::Flag kt::SoftPanel::*setting;
        const char* onText;
        bool timed;
    };
    const Case cases[] = {
        {5, &kt::SoftPanel::ch1Imp50Ohm, "CH 1: 50 OHM      ", true},
        {7, &kt::SoftPanel::ch1CouplingDC, "CH 1: DC              ", true},
        {9, &kt::SoftPanel::ch1AttenX10, "CH 1: X10 ATT     ", true},
        {11, &kt::SoftPanel::ch1LowPassFilter, "CH 1: LP FILT      ", true},
        {15, &kt::SoftPanel::trigSlopeNeg, "SLOPE: NEG       ", false},
        {32, &kt::SoftPanel::limitTestOn, "LIM TEST: ON      ", false},
        {36, &kt::SoftPanel::mathOn, "MATH: ON            ", false},
        {40, &kt::SoftPanel::statsOn, "STATS: ON          ", false},
    };
    void (kt::SoftPanel::*arrows[])() = {&kt::SoftPanel::cmdUp_Click, &kt::SoftPanel::cmdDown_Click,
                                         &kt::SoftPanel::cmdLeft_Click, &kt::SoftPanel::cmdRight_Click};
    for (const auto& c : cases) {
        for (auto arrow : arrows) {
            panel.ResetPanelState();
            panel.trigMenuItem = 1;
            panel.mathMenuItem = 2;
            panel.statsMenuItem = 3;
            panel.displayCode = c.code;
            (panel.*arrow)();
            EXPECT_EQ(panel.*c.setting, kTrue) << "code " << c.code;
            EXPECT_EQ(Display(), c.onText);
            EXPECT_EQ(panel.displayCode, c.code);
            EXPECT_EQ(panel.menuTimeoutArmed, c.timed ? kTrue : kFalse);
            (panel.*arrow)();
            EXPECT_EQ(panel.*c.setting, kFalse) << "code " << c.code;
        }
    }
    EXPECT_EQ(panel.view.shpStatsMode.BackColor, kLampOff);
}

// Choosing what a failed limit test does switches the limit test on.
TEST_F(MenuNavigation, OnFailChoiceSwitchesTheLimitTestOn) {
    panel.limitModeItem = 1;
    panel.displayCode = 33;
    panel.cmdDown_Click();
    EXPECT_EQ(panel.stopOnLimitFail, kTrue);
    EXPECT_EQ(Display(), "ON FAIL: STOP   ");
    EXPECT_EQ(panel.limitTestOn, kTrue);
    EXPECT_EQ(panel.view.shpLimitMode.BackColor, kLampLit);
    panel.cmdUp_Click();
    EXPECT_EQ(Display(), "ON FAIL:GO ON  ");
    EXPECT_EQ(panel.limitTestOn, kTrue);
}

// Stepping the SHOW list wraps and switches statistics on.
TEST_F(MenuNavigation, ShowListWrapsAndSwitchesStatisticsOn) {
    panel.displayCode = 37;
    panel.statsShowItem = 7;
    panel.cmdLeft_Click();
    EXPECT_EQ(Display(), "SHOW: ALN AVR ");
    EXPECT_EQ(panel.statsOn, kTrue);
    EXPECT_EQ(panel.view.shpStatsMode.BackColor, kLampLit);
    panel.cmdRight_Click();
    EXPECT_EQ(panel.statsShowItem, 0);
    EXPECT_EQ(Display(), "SHOW: MEAS      ");
    EXPECT_EQ(panel.menuTimeoutArmed, kFalse);
}

TEST_F(MenuNavigation, LevelEditorDigitsAndCursor) {
    panel.trigLevel = 495;
    panel.ShowTriggerMenu();
    panel.cmdLeft_Click();
    panel.cmdLeft_Click();
    panel.cmdLeft_Click();  // already on the units digit: stays there
    EXPECT_EQ(panel.intEditor.editCursor, 2);
    EXPECT_EQ(panel.view.txtDisplay.SelStart, 8);
    panel.cmdUp_Click();
    EXPECT_EQ(panel.intEditor.editInt, 500);
    EXPECT_EQ(Display(), "LEVEL:  5.00V      ");
    EXPECT_EQ(panel.view.txtDisplay.SelStart, 8);
    EXPECT_EQ(panel.view.txtDisplay.SelLength, 1);
    EXPECT_EQ(panel.entryUnconfirmed, kTrue);
    EXPECT_EQ(panel.trigLevel, 495);  // only Enter stores it

    panel.cmdRight_Click();
    EXPECT_EQ(panel.view.txtDisplay.SelStart, 10);
    panel.cmdDown_Click();
    EXPECT_EQ(Display(), "LEVEL:  4.90V      ");
    panel.cmdRight_Click();
    panel.cmdRight_Click();  // already on the last digit: stays, text rewritten
    EXPECT_EQ(panel.intEditor.editCursor, 0);
    EXPECT_EQ(Display(), "LEVEL:  4.90V      ");
    EXPECT_EQ(panel.view.txtDisplay.SelStart, 11);
}

TEST_F(MenuNavigation, CountEditorDigitsAndCursor) {
    panel.statsMenuItem = 2;
    panel.ShowStatsMenu();
    for (int i = 0; i < 4; ++i) panel.cmdLeft_Click();
    EXPECT_EQ(panel.intEditor.editCursor, 3);
    EXPECT_EQ(Display(), "N:                0010 ");
    EXPECT_EQ(panel.view.txtDisplay.SelStart, 18);
    panel.cmdUp_Click();
    EXPECT_EQ(Display(), "N:                1010 ");
    panel.cmdUp_Click();
    EXPECT_EQ(panel.intEditor.editInt, 2000);
    panel.cmdRight_Click();
    EXPECT_EQ(panel.view.txtDisplay.SelStart, 19);
    EXPECT_EQ(panel.statsCount, 10);
}

TEST_F(MenuNavigation, ValueEditorArrowsEditTheShownValue) {
    panel.ShowLimitValueMenu();
    EXPECT_EQ(Display(), "UPPR: 0.000000 ");
    panel.cmdUp_Click();
    EXPECT_EQ(Display(), "UPPR: 1.000000 ");
    EXPECT_EQ(panel.entryUnconfirmed, kTrue);
    panel.cmdRight_Click();
    panel.cmdUp_Click();
    EXPECT_EQ(Display(), "UPPR: 1.100000 ");
    EXPECT_EQ(panel.limitUpper, 0.0);
}

TEST_F(MenuNavigation, EveryArrowDismissesAMessageAndSendsItsKey) {
    struct Case {
        void (kt::SoftPanel::*click)();
        const char* command;
    };
    const Case cases[] = {{&kt::SoftPanel::cmdUp_Click, "SYST:KEY 25\n"},
                          {&kt::SoftPanel::cmdDown_Click, "SYST:KEY 28\n"},
                          {&kt::SoftPanel::cmdLeft_Click, "SYST:KEY 26\n"},
                          {&kt::SoftPanel::cmdRight_Click, "SYST:KEY 27\n"}};
    for (const auto& c : cases) {
        panel.ShowMenuMessage(4);
        panel.deferArmed = kTrue;
        panel.deferIsKey = kTrue;
        panel.menuFirstPress = kFalse;
        ClearWritten();
        (panel.*c.click)();
        EXPECT_EQ(panel.deferArmed, kFalse);
        EXPECT_EQ(Display(), "0 ");
        EXPECT_EQ(panel.menuFirstPress, kTrue);
        EXPECT_EQ(panel.displayCode, 0);
        EXPECT_EQ(serial.written, std::vector<std::string>{c.command});
    }
}

// With readings or an unused code on the display an arrow only sends its key.
TEST_F(MenuNavigation, ArrowsWithoutAMenuOnlySend) {
    for (int16_t code : {0, 6, 12, 14, 29, 41, 43, -1}) {
        panel.displayCode = code;
        panel.view.txtDisplay.SetText(" 10.000000");
        ClearWritten();
        panel.cmdUp_Click();
        panel.cmdDown_Click();
        panel.cmdLeft_Click();
        panel.cmdRight_Click();
        EXPECT_EQ(Display(), " 10.000000");
        EXPECT_EQ(panel.displayCode, code);
        EXPECT_EQ(panel.menuTimeoutArmed, kFalse);
        EXPECT_EQ(serial.AllWritten(), "SYST:KEY 25\nSYST:KEY 28\nSYST:KEY 26\nSYST:KEY 27\n");
    }
}

}  // namespace
