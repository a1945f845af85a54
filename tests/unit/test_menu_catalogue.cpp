// What each menu shows on the display, with its lamps, unit labels and
// editors, and what a position outside its menu leaves alone.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "support/connected_panel.h"

namespace {

using kt::kFalse;
using kt::kLampLit;
using kt::kLampOff;
using kt::kTrue;

class MenuCatalogue : public kt::test::PanelTest {
protected:
    void SetUp() override { panel.ResetPanelState(); }

    bool AnyUnitLabelVisible() const {
        const auto& v = panel.view;
        return v.lblFreqUnit.Visible || v.lblTimeUnit.Visible || v.lblPosExp.Visible || v.lblNegExp.Visible;
    }
};

TEST_F(MenuCatalogue, PowerOnDefaultsAreShown) {
    panel.ShowGateTime();
    EXPECT_EQ(Display(), "GATE: 100mS      ");
    panel.ShowFreqFuncItem();
    EXPECT_EQ(Display(), "FREQUENCY 1    ");
    panel.ShowCh1Impedance();
    EXPECT_EQ(Display(), "CH 1: 1M OHM      ");
    panel.ShowTriggerMenu();
    EXPECT_EQ(Display(), "LEVEL:  0.00V      ");
    panel.mathMenuItem = 0;
    panel.ShowMathMenu();
    EXPECT_EQ(Display(), "SCAL: 1.000000 ");
    panel.statsMenuItem = 1;
    panel.ShowStatsMenu();
    EXPECT_EQ(Display(), "F0:   10.00000 ");
    EXPECT_TRUE(panel.view.lblPosExp.Visible);
    EXPECT_EQ(panel.view.lblPosExp.Caption, "M");
    panel.statsMenuItem = 2;
    panel.ShowStatsMenu();
    EXPECT_EQ(Display(), "N:                  10 ");
}

TEST_F(MenuCatalogue, TimedMenusHideTheUnitsAndLeaveTheDisplayCode) {
    const std::function<void()> shows[] = {
        [&] { panel.ShowFreqFuncItem(); },   [&] { panel.ShowPeriodFuncItem(); }, [&] { panel.ShowOtherFuncItem(); },
        [&] { panel.ShowGateTime(); },       [&] { panel.ShowCh1Impedance(); },   [&] { panel.ShowCh1Coupling(); },
        [&] { panel.ShowCh1Attenuation(); }, [&] { panel.ShowCh1Filter(); },
    };
    for (const auto& show : shows) {
        panel.view.lblFreqUnit.Visible = panel.view.lblPosExp.Visible = true;
        panel.displayCode = 4;
        show();
        EXPECT_FALSE(AnyUnitLabelVisible());
        EXPECT_EQ(panel.displayCode, 4);
    }
}

TEST_F(MenuCatalogue, ChannelSettingsShowTheirStateAndLamp) {
    struct Case {
        kt::Flag kt::SoftPanel::*setting;
        void (kt::SoftPanel::*show)();
        kt::Lamp kt::PanelView::*lamp;
        const char* whenTrue;
        const char* whenFalse;
    };
    const Case cases[] = {
        {&kt::SoftPanel::ch1Imp50Ohm, &kt::SoftPanel::ShowCh1Impedance, &kt::PanelView::shpCh1Imp,
         "CH 1: 50 OHM      ", "CH 1: 1M OHM      "},
        {&kt::SoftPanel::ch1CouplingDC, &kt::SoftPanel::ShowCh1Coupling, &kt::PanelView::shpCh1Coup,
         "CH 1: DC              ", "CH 1: AC              "},
        {&kt::SoftPanel::ch1AttenX10, &kt::SoftPanel::ShowCh1Attenuation, &kt::PanelView::shpCh1Att,
         "CH 1: X10 ATT     ", "CH 1: X1  ATT      "},
        {&kt::SoftPanel::ch1LowPassFilter, &kt::SoftPanel::ShowCh1Filter, &kt::PanelView::shpCh1Filt,
         "CH 1: LP FILT      ", "CH 1: NO FILT      "},
    };
    for (const auto& c : cases) {
        panel.*c.setting = kTrue;
        (panel.*c.show)();
        EXPECT_EQ(Display(), c.whenTrue);
        EXPECT_EQ((panel.view.*c.lamp).BackColor, kLampLit);
        panel.*c.setting = kFalse;
        (panel.*c.show)();
        EXPECT_EQ(Display(), c.whenFalse);
        EXPECT_EQ((panel.view.*c.lamp).BackColor, kLampOff);
    }
}

TEST_F(MenuCatalogue, TriggerLevelLoadsTheIntegerEditorAtItsLimits) {
    const std::pair<int16_t, const char*> levels[] = {
        {-500, "LEVEL: -5.00V      "}, {500, "LEVEL:  5.00V      "}, {0, "LEVEL:  0.00V      "}};
    for (const auto& [level, text] : levels) {
        panel.trigLevel = level;
        panel.intEditor.editCursor = 2;
        panel.ShowTriggerMenu();
        EXPECT_EQ(panel.displayCode, 13);
        EXPECT_EQ(Display(), text);
        const kt::IntEditor& e = panel.intEditor;
        EXPECT_EQ(e.editInt, level);
        EXPECT_EQ(e.editCursor, 0);
        EXPECT_EQ(e.editIntLastPos, 11);
        EXPECT_EQ(e.editIntDigits, 3);
        EXPECT_EQ(e.editIntDecimals, 2);
        EXPECT_EQ(e.editIntMax, 500);
        EXPECT_EQ(e.editIntMin, -500);
        EXPECT_EQ(panel.view.txtDisplay.SelStart, 11);
        EXPECT_EQ(panel.view.txtDisplay.SelLength, 1);
    }
    panel.trigMenuItem = 1;
    panel.trigSlopeNeg = kTrue;
    panel.ShowTriggerMenu();
    EXPECT_EQ(panel.displayCode, 15);
    EXPECT_EQ(Display(), "SLOPE: NEG       ");
}

TEST_F(MenuCatalogue, SampleCountLoadsTheIntegerEditor) {
    panel.statsMenuItem = 2;
    panel.statsCount = 2000;
    panel.view.lblFreqUnit.Visible = true;
    panel.ShowStatsMenu();
    EXPECT_EQ(panel.displayCode, 39);
    EXPECT_EQ(Display(), "N:                2000 ");
    const kt::IntEditor& e = panel.intEditor;
    EXPECT_EQ(e.editIntLastPos, 21);
    EXPECT_EQ(e.editIntDigits, 4);
    EXPECT_EQ(e.editIntDecimals, 13);
    EXPECT_EQ(e.editIntMax, 2000);
    EXPECT_EQ(e.editIntMin, 2);
    EXPECT_EQ(panel.view.txtDisplay.SelStart, 21);
    EXPECT_FALSE(AnyUnitLabelVisible());
}

TEST_F(MenuCatalogue, FrequencySettingsShowOnlyTheHertzUnit) {
    panel.limitValueItem = 1;
    panel.limitLower = -0.005;
    panel.view.lblTimeUnit.Visible = true;
    panel.ShowLimitValueMenu();
    EXPECT_EQ(panel.displayCode, 31);
    EXPECT_EQ(Display(), "LOWR:-5.000000 ");
    EXPECT_TRUE(panel.view.lblFreqUnit.Visible);
    EXPECT_FALSE(panel.view.lblTimeUnit.Visible);
    EXPECT_TRUE(panel.view.lblNegExp.Visible);

    panel.mathMenuItem = 1;  // the offset is no frequency
    panel.ShowMathMenu();
    EXPECT_EQ(panel.displayCode, 35);
    EXPECT_EQ(Display(), "OFFS: 0.000000 ");
    EXPECT_FALSE(AnyUnitLabelVisible());
}

// Showing a mode switch also sets the switch and its lamp to match.
TEST_F(MenuCatalogue, ModeSwitchesShowTheirStateWithTheirLamp) {
    struct Case {
        std::function<void(kt::SoftPanel&)> set;  // the switch and its item
        void (kt::SoftPanel::*show)();
        int16_t code;
        const char* text;
        kt::Lamp kt::PanelView::*lamp;  // nullptr: no lamp to check
        kt::Color color;
    };
    // In turn, on one panel.
    const Case cases[] = {
        {[](auto& p) { p.limitTestOn = kTrue; }, &kt::SoftPanel::ShowLimitModeMenu, 32, "LIM TEST: ON      ",
         &kt::PanelView::shpLimitMode, kLampLit},
        {[](auto& p) { p.mathMenuItem = 2; p.view.shpMathMode.BackColor = kLampLit; }, &kt::SoftPanel::ShowMathMenu,
         36, "MATH: OFF          ", &kt::PanelView::shpMathMode, kLampOff},
        {[](auto& p) { p.statsMenuItem = 3; p.statsOn = kTrue; }, &kt::SoftPanel::ShowStatsMenu, 40,
         "STATS: ON          ", &kt::PanelView::shpStatsMode, kLampLit},
        {[](auto& p) { p.limitModeItem = 1; p.stopOnLimitFail = kFalse; }, &kt::SoftPanel::ShowLimitModeMenu, 33,
         "ON FAIL:GO ON  ", nullptr, kLampOff},
    };
    for (const auto& c : cases) {
        c.set(panel);
        (panel.*c.show)();
        EXPECT_EQ(panel.displayCode, c.code);
        EXPECT_EQ(Display(), c.text);
        if (c.lamp) {
            EXPECT_EQ((panel.view.*c.lamp).BackColor, c.color) << c.text;
        }
    }
}

TEST_F(MenuCatalogue, MessagesLeaveUnitsAndMoveLightAlone) {
    panel.view.lblFreqUnit.Visible = true;
    panel.view.shpMoveLight.BackColor = kLampLit;
    panel.moveLightBlinking = kTrue;
    panel.ShowMenuMessage(2);
    EXPECT_EQ(panel.displayCode, 42);
    EXPECT_EQ(Display(), "NO MATH MENU ");
    EXPECT_TRUE(panel.view.lblFreqUnit.Visible);
    EXPECT_EQ(panel.view.shpMoveLight.BackColor, kLampLit);
    EXPECT_EQ(panel.moveLightBlinking, kTrue);
}

// A position outside its menu leaves the display text as it was; the display
// code is still set where the operation sets it before choosing the text.
TEST_F(MenuCatalogue, SelectorOutOfRangeWritesNoText) {
    struct Case {
        const char* what;
        std::function<void(kt::SoftPanel&)> run;
        int16_t code;  // expected display code afterwards (set to 99 before)
    };
    const Case cases[] = {
        {"function 7", [](auto& p) { p.freqFuncItem = 7; p.ShowFreqFuncItem(); }, 99},
        {"function -1", [](auto& p) { p.freqFuncItem = -1; p.ShowFreqFuncItem(); }, 99},
        {"period 3", [](auto& p) { p.periodFuncItem = 3; p.ShowPeriodFuncItem(); }, 99},
        {"other 1", [](auto& p) { p.otherFuncItem = 1; p.ShowOtherFuncItem(); }, 99},
        {"gate 18", [](auto& p) { p.gateTimeIndex = 18; p.ShowGateTime(); }, 99},
        {"gate -1", [](auto& p) { p.gateTimeIndex = -1; p.ShowGateTime(); }, 99},
        {"impedance flag 1", [](auto& p) { p.ch1Imp50Ohm = 1; p.ShowCh1Impedance(); }, 99},
        {"trigger item 2", [](auto& p) { p.trigMenuItem = 2; p.ShowTriggerMenu(); }, 99},
        {"limit value item 2", [](auto& p) { p.limitValueItem = 2; p.ShowLimitValueMenu(); }, 99},
        {"limit mode item -1", [](auto& p) { p.limitModeItem = -1; p.ShowLimitModeMenu(); }, 99},
        {"math item 3", [](auto& p) { p.mathMenuItem = 3; p.ShowMathMenu(); }, 99},
        {"stats item 4", [](auto& p) { p.statsMenuItem = 4; p.ShowStatsMenu(); }, 99},
        {"show item 9", [](auto& p) { p.statsShowItem = 9; p.ShowStatsMenu(); }, 37},
        {"message 5", [](auto& p) { p.ShowMenuMessage(5); }, 42},
        {"message -1", [](auto& p) { p.ShowMenuMessage(-1); }, 42},
    };
    for (const auto& c : cases) {
        panel.ResetPanelState();
        panel.view.txtDisplay.SetText("previous");
        panel.displayCode = 99;
        c.run(panel);
        EXPECT_EQ(Display(), "previous") << c.what;
        EXPECT_EQ(panel.displayCode, c.code) << c.what;
    }
}

}  // namespace
