// The lamps beside the keys and the function annunciators on the display.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/connected_panel.h"

namespace kt::test {
namespace {

using LampRef = Lamp PanelView::*;
using LabelRef = Label PanelView::*;

using LampsTest = PanelTest;

TEST_F(LampsTest, FunctionAnnunciatorsFollowTheMeasuringFunction) {
    const std::vector<LabelRef> all = {&PanelView::lblAvg,  &PanelView::lblPeriod, &PanelView::lblFreq,
                                       &PanelView::lblPwid, &PanelView::lblNwid,   &PanelView::lblRise,
                                       &PanelView::lblFall, &PanelView::lblTime,   &PanelView::lblCh1,
                                       &PanelView::lblCh2,  &PanelView::lblCh3,    &PanelView::lblLimit};
    struct Case {
        int16_t function;
        std::vector<LabelRef> shown;
    };
    const std::vector<Case> cases = {
        {0, {&PanelView::lblFreq, &PanelView::lblCh1}},
        {1, {&PanelView::lblFreq, &PanelView::lblCh2}},
        {2, {&PanelView::lblFreq, &PanelView::lblCh3}},
        {3, {&PanelView::lblFreq, &PanelView::lblCh1, &PanelView::lblCh2}},
        {4, {&PanelView::lblFreq, &PanelView::lblCh1, &PanelView::lblCh3}},
        {5, {&PanelView::lblFreq, &PanelView::lblCh1, &PanelView::lblCh2}},
        {6, {&PanelView::lblFreq, &PanelView::lblCh1, &PanelView::lblCh3}},
        {7, {&PanelView::lblPeriod, &PanelView::lblCh1}},
        {8, {&PanelView::lblPeriod, &PanelView::lblCh2}},
        {9, {&PanelView::lblPeriod, &PanelView::lblCh3}},
        {10, {&PanelView::lblFreq}},
        {11, {}},
        {-1, {}},
        {32767, {}},
    };
    for (const auto& c : cases) {
        for (LabelRef l : all) (panel.view.*l).Visible = true;
        panel.measFunction = c.function;
        panel.RefreshFunctionLamps();
        for (LabelRef l : all) {
            bool expected = false;
            for (LabelRef s : c.shown) expected = expected || s == l;
            EXPECT_EQ((panel.view.*l).Visible, expected) << c.function << " " << (panel.view.*l).Caption;
        }
    }
}

// A group of lamps of which the refresh lights exactly the one that matches
// the setting (or none), whatever was lit before.
TEST_F(LampsTest, FunctionKeyAndSpeedLampsLightOnlyTheMatchingOne) {
    struct Group {
        const char* what;
        int16_t SoftPanel::*setting;
        void (SoftPanel::*refresh)();
        std::vector<LampRef> lamps;
        std::vector<std::pair<int16_t, LampRef>> cases;  // setting, the lit lamp (nullptr: none)
    };
    const Group groups[] = {
        {"function",
         &SoftPanel::measFunction,
         &SoftPanel::RefreshFunctionKeyLamps,
         {&PanelView::shpFrequency, &PanelView::shpTime, &PanelView::shpOther},
         {{0, &PanelView::shpFrequency}, {6, &PanelView::shpFrequency}, {-3, &PanelView::shpFrequency},
          {7, &PanelView::shpTime}, {9, &PanelView::shpTime}, {10, &PanelView::shpOther},
          {200, &PanelView::shpOther}}},
        // Only the gate times that have a speed key light a lamp.
        {"gate",
         &SoftPanel::gateTimeIndex,
         &SoftPanel::RefreshSpeedLamps,
         {&PanelView::shpSpeedHigh, &PanelView::shpSpeedFast, &PanelView::shpSpeedMiddle, &PanelView::shpSpeedLow},
         {{5, &PanelView::shpSpeedHigh}, {8, &PanelView::shpSpeedFast}, {9, &PanelView::shpSpeedMiddle},
          {11, &PanelView::shpSpeedLow}, {0, nullptr}, {6, nullptr}, {10, nullptr}, {17, nullptr}}},
    };
    for (const Group& g : groups) {
        for (const auto& [value, lit] : g.cases) {
            for (LampRef l : g.lamps) (panel.view.*l).BackColor = kLampLit;
            panel.*g.setting = value;
            (panel.*g.refresh)();
            for (LampRef l : g.lamps) EXPECT_EQ(Lit(panel.view.*l), l == lit) << g.what << " " << value;
        }
    }
}

TEST_F(LampsTest, RunStopAndChannelLampsFollowTheirFlags) {
    panel.running = kTrue;
    panel.ShowRunStopLamps();
    EXPECT_TRUE(Lit(panel.view.shpRunning));
    EXPECT_FALSE(Lit(panel.view.shpStopping));
    panel.running = kFalse;
    panel.ShowRunStopLamps();
    EXPECT_FALSE(Lit(panel.view.shpRunning));
    EXPECT_TRUE(Lit(panel.view.shpStopping));

    struct Channel {
        Flag SoftPanel::*setting;
        LampRef lamp;
    };
    const Channel channel[] = {{&SoftPanel::ch1Imp50Ohm, &PanelView::shpCh1Imp},
                               {&SoftPanel::ch1CouplingDC, &PanelView::shpCh1Coup},
                               {&SoftPanel::ch1AttenX10, &PanelView::shpCh1Att},
                               {&SoftPanel::ch1LowPassFilter, &PanelView::shpCh1Filt}};
    for (const Channel& on : channel) {
        for (const Channel& c : channel) panel.*c.setting = (c.lamp == on.lamp) ? kTrue : kFalse;
        panel.RefreshChannelLamps();
        for (const Channel& c : channel) EXPECT_EQ(Lit(panel.view.*c.lamp), c.lamp == on.lamp);
    }
}

TEST_F(LampsTest, ChangingFunctionSwitchesLimitMathAndStatisticsOffOnce) {
    panel.view.lblLimit.Visible = true;
    panel.LimitLampOn();
    panel.MathLampOn();
    panel.StatsLampOn();
    panel.RefreshModeLamps();  // same function: only " Limit" goes
    EXPECT_FALSE(panel.view.lblLimit.Visible);
    EXPECT_EQ(panel.limitTestOn, kTrue);
    EXPECT_TRUE(Lit(panel.view.shpStatsMode));

    panel.measFunction = 7;
    panel.RefreshModeLamps();
    EXPECT_EQ(panel.lastFunction, 7);
    EXPECT_EQ(panel.limitTestOn, kFalse);
    EXPECT_EQ(panel.mathOn, kFalse);
    EXPECT_EQ(panel.statsOn, kFalse);
    EXPECT_FALSE(Lit(panel.view.shpLimitMode));
    EXPECT_FALSE(Lit(panel.view.shpMathMode));
    EXPECT_FALSE(Lit(panel.view.shpStatsMode));

    panel.MathLampOn();
    panel.RefreshModeLamps();  // no further change of function
    EXPECT_EQ(panel.mathOn, kTrue);
    EXPECT_TRUE(Lit(panel.view.shpMathMode));
}

TEST_F(LampsTest, ConnectPaintsThePowerOnState) {
    PanelView& v = panel.view;
    // Light everything, then connect.
    for (LampRef l : {&PanelView::shpFrequency, &PanelView::shpTime, &PanelView::shpOther,
                      &PanelView::shpRunning, &PanelView::shpStopping, &PanelView::shpCh1Imp,
                      &PanelView::shpCh1Coup, &PanelView::shpCh1Att, &PanelView::shpCh1Filt,
                      &PanelView::shpCh1Trig, &PanelView::shpSpeedHigh, &PanelView::shpSpeedFast,
                      &PanelView::shpSpeedMiddle, &PanelView::shpSpeedLow, &PanelView::shpLimitMode,
                      &PanelView::shpMathMode, &PanelView::shpStatsMode, &PanelView::shpMoveLight})
        (v.*l).BackColor = kLampLit;
    v.lblPeriod.Visible = true;
    v.lblLimit.Visible = true;
    Load();

    EXPECT_TRUE(Lit(v.shpFrequency));
    EXPECT_TRUE(Lit(v.shpStopping));
    EXPECT_TRUE(Lit(v.shpSpeedFast));
    for (const Lamp* l : {&v.shpTime, &v.shpOther, &v.shpRunning, &v.shpCh1Imp, &v.shpCh1Coup, &v.shpCh1Att,
                          &v.shpCh1Filt, &v.shpCh1Trig, &v.shpSpeedHigh, &v.shpSpeedMiddle, &v.shpSpeedLow,
                          &v.shpLimitMode, &v.shpMathMode, &v.shpStatsMode, &v.shpMoveLight, &v.shpUtility,
                          &v.shpKeyLock, &v.shpRemoteSRQ})
        EXPECT_FALSE(Lit(*l));
    EXPECT_TRUE(v.lblFreq.Visible);
    EXPECT_TRUE(v.lblCh1.Visible);
    EXPECT_FALSE(v.lblPeriod.Visible);
    EXPECT_FALSE(v.lblLimit.Visible);
    EXPECT_EQ(panel.moveLightBlinking, kFalse);
}

}  // namespace
}  // namespace kt::test
