#include <array>
#include <cstddef>

#include "core/soft_panel.h"

namespace kt {

namespace {

using LabelRef = Label PanelView::*;
using LampRef = Lamp PanelView::*;

void Light(Lamp& lamp, bool lit) { lamp.BackColor = lit ? kLampLit : kLampOff; }

// Every function annunciator, hidden in this order before the current
// function's annunciators are shown.
constexpr std::array<LabelRef, 12> kFunctionAnnunciators = {
    &PanelView::lblAvg, &PanelView::lblPeriod, &PanelView::lblFreq, &PanelView::lblPwid,
    &PanelView::lblNwid, &PanelView::lblRise, &PanelView::lblFall, &PanelView::lblTime,
    &PanelView::lblCh1, &PanelView::lblCh2, &PanelView::lblCh3, &PanelView::lblLimit,
};

// The annunciators shown for each measuring function, in the order shown.
struct FunctionAnnunciators {
    std::size_t count;
    std::array<LabelRef, 3> labels;
};
constexpr std::array<FunctionAnnunciators, 11> kShownByFunction = {{
    {2, {&PanelView::lblFreq, &PanelView::lblCh1, nullptr}},                  // FREQUENCY 1
    {2, {&PanelView::lblFreq, &PanelView::lblCh2, nullptr}},                  // FREQUENCY 2
    {2, {&PanelView::lblFreq, &PanelView::lblCh3, nullptr}},                  // FREQUENCY 3
    {3, {&PanelView::lblFreq, &PanelView::lblCh1, &PanelView::lblCh2}},       // RATIO 1 TO 2
    {3, {&PanelView::lblFreq, &PanelView::lblCh1, &PanelView::lblCh3}},       // RATIO 1 TO 3
    {3, {&PanelView::lblFreq, &PanelView::lblCh1, &PanelView::lblCh2}},       // RATIO 2 TO 1
    {3, {&PanelView::lblFreq, &PanelView::lblCh1, &PanelView::lblCh3}},       // RATIO 3 TO 1
    {2, {&PanelView::lblPeriod, &PanelView::lblCh1, nullptr}},                // PERIOD 1
    {2, {&PanelView::lblPeriod, &PanelView::lblCh2, nullptr}},                // PERIOD 2
    {2, {&PanelView::lblPeriod, &PanelView::lblCh3, nullptr}},                // PERIOD 3
    {1, {&PanelView::lblFreq, nullptr, nullptr}},                             // FREQ CHECK
}};

// The speed lamps and the gate-time index each one stands for.
struct SpeedLamp {
    LampRef lamp;
    int16_t gateTimeIndex;
};
constexpr std::array<SpeedLamp, 4> kSpeedLamps = {{
    {&PanelView::shpSpeedHigh, gate::k10ms},
    {&PanelView::shpSpeedFast, gate::k100ms},
    {&PanelView::shpSpeedMiddle, gate::k400ms},
    {&PanelView::shpSpeedLow, gate::k1s},
}};

}  // namespace

void SoftPanel::RefreshFunctionLamps() {
    for (LabelRef label : kFunctionAnnunciators) (view.*label).Visible = false;
    if (measFunction < 0 || static_cast<std::size_t>(measFunction) >= kShownByFunction.size()) return;
    const FunctionAnnunciators& shown = kShownByFunction[static_cast<std::size_t>(measFunction)];
    for (std::size_t i = 0; i < shown.count; ++i) (view.*shown.labels[i]).Visible = true;
}

void SoftPanel::RefreshFunctionKeyLamps() {
    Light(view.shpFrequency, false);
    Light(view.shpTime, false);
    Light(view.shpOther, false);
    if (measFunction < function::kFirstPeriod) {
        Light(view.shpFrequency, true);
    } else if (measFunction < function::kFreqCheck) {
        Light(view.shpTime, true);
    } else {
        Light(view.shpOther, true);
    }
}

void SoftPanel::ShowRunStopLamps() {
    const bool isRunning = running != kFalse;
    Light(view.shpRunning, isRunning);
    Light(view.shpStopping, !isRunning);
}

void SoftPanel::RefreshChannelLamps() {
    Light(view.shpCh1Imp, ch1Imp50Ohm != kFalse);
    Light(view.shpCh1Coup, ch1CouplingDC != kFalse);
    Light(view.shpCh1Att, ch1AttenX10 != kFalse);
    Light(view.shpCh1Filt, ch1LowPassFilter != kFalse);
}

void SoftPanel::RefreshSpeedLamps() {
    for (const SpeedLamp& speed : kSpeedLamps) Light(view.*speed.lamp, false);
    for (const SpeedLamp& speed : kSpeedLamps) {
        if (speed.gateTimeIndex == gateTimeIndex) Light(view.*speed.lamp, true);
    }
}

void SoftPanel::MoveLightOff() {
    moveLightBlinking = kFalse;
    Light(view.shpMoveLight, false);
}

void SoftPanel::TrigLampOff() { Light(view.shpCh1Trig, false); }
void SoftPanel::TrigLampOn() { Light(view.shpCh1Trig, true); }

void SoftPanel::LimitLampOff() {
    limitTestOn = kFalse;
    Light(view.shpLimitMode, false);
}

void SoftPanel::LimitLampOn() {
    limitTestOn = kTrue;
    Light(view.shpLimitMode, true);
}

void SoftPanel::MathLampOff() {
    mathOn = kFalse;
    Light(view.shpMathMode, false);
}

void SoftPanel::MathLampOn() {
    mathOn = kTrue;
    Light(view.shpMathMode, true);
}

void SoftPanel::StatsLampOff() {
    statsOn = kFalse;
    Light(view.shpStatsMode, false);
}

void SoftPanel::StatsLampOn() {
    statsOn = kTrue;
    Light(view.shpStatsMode, true);
}

// A change of measuring function switches limit test, math and statistics off,
// the first time a refresh sees the new function.
void SoftPanel::RefreshModeLamps() {
    view.lblLimit.Visible = false;
    if (measFunction == lastFunction) return;
    lastFunction = measFunction;
    LimitLampOff();
    MathLampOff();
    StatsLampOff();
}

// Repaints every lamp and function annunciator from the mirror, as a connect does.
void SoftPanel::RefreshAllLamps() {
    RefreshFunctionLamps();
    RefreshFunctionKeyLamps();
    ShowRunStopLamps();
    RefreshSpeedLamps();
    MoveLightOff();
    LimitLampOff();
    MathLampOff();
    StatsLampOff();
    TrigLampOff();
    RefreshChannelLamps();
}

}  // namespace kt
