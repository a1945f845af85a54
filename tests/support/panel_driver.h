// Drives the panel logic with a stream of user and line events, as the window
// would deliver them (clicks only on enabled keys, ticks of both timers, bytes
// and DSR from the counter, menu-bar choices), and checks after each step the
// invariants that must hold whatever happened. Shared by the property test and
// the fuzz target.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/soft_panel.h"
#include "support/fake_serial.h"
#include "support/identity.h"

namespace kt::test {

struct KeyBinding {
    CommandButton PanelView::*button;
    void (SoftPanel::*click)();
};

// Every key of the panel that has a click procedure.
inline constexpr KeyBinding kClickableKeys[] = {
    {&PanelView::cmdPower, &SoftPanel::cmdPower_Click},
    {&PanelView::cmdFrequency, &SoftPanel::cmdFrequency_Click},
    {&PanelView::cmdOther, &SoftPanel::cmdOther_Click},
    {&PanelView::cmdTime, &SoftPanel::cmdTime_Click},
    {&PanelView::cmdArm, &SoftPanel::cmdArm_Click},
    {&PanelView::cmdUpper, &SoftPanel::cmdUpper_Click},
    {&PanelView::cmdLimitMode, &SoftPanel::cmdLimitMode_Click},
    {&PanelView::cmdRun, &SoftPanel::cmdRun_Click},
    {&PanelView::cmdScale, &SoftPanel::cmdScale_Click},
    {&PanelView::cmdStats, &SoftPanel::cmdStats_Click},
    {&PanelView::cmdStop, &SoftPanel::cmdStop_Click},
    {&PanelView::cmdCh1Trig, &SoftPanel::cmdCh1Trig_Click},
    {&PanelView::cmdCh1Imp, &SoftPanel::cmdCh1Imp_Click},
    {&PanelView::cmdCh1Coup, &SoftPanel::cmdCh1Coup_Click},
    {&PanelView::cmdCh1Att, &SoftPanel::cmdCh1Att_Click},
    {&PanelView::cmdCh1Filt, &SoftPanel::cmdCh1Filt_Click},
    {&PanelView::cmdSpeedHigh, &SoftPanel::cmdSpeedHigh_Click},
    {&PanelView::cmdSpeedFast, &SoftPanel::cmdSpeedFast_Click},
    {&PanelView::cmdSpeedMiddle, &SoftPanel::cmdSpeedMiddle_Click},
    {&PanelView::cmdSpeedLow, &SoftPanel::cmdSpeedLow_Click},
    {&PanelView::cmdUp, &SoftPanel::cmdUp_Click},
    {&PanelView::cmdDown, &SoftPanel::cmdDown_Click},
    {&PanelView::cmdLeft, &SoftPanel::cmdLeft_Click},
    {&PanelView::cmdRight, &SoftPanel::cmdRight_Click},
    {&PanelView::cmdSign, &SoftPanel::cmdSign_Click},
    {&PanelView::cmdEnter, &SoftPanel::cmdEnter_Click},
};
inline constexpr size_t kClickableKeyCount = sizeof(kClickableKeys) / sizeof(kClickableKeys[0]);

// Lines a counter sends, picked by the driver to reach the interesting paths.
inline constexpr const char* kCannedLines[] = {
    kIdentity,
    kIdentityA,
    "10.000000123MHz\n",
    "999.99999kHz\n",
    "1.23456789ms\n",
    "LOC\n",
    "SAMPLE 12\n",
    "-12.5E-3\n",
    "\n",
};
inline constexpr size_t kCannedLineCount = sizeof(kCannedLines) / sizeof(kCannedLines[0]);

// Reads events from a byte stream and applies them to the panel. Each event is
// one opcode byte, then its operands; a stream that ends early just stops.
class PanelDriver {
public:
    PanelDriver(SoftPanel& panel, FakeSerial& serial) : panel_(panel), serial_(serial) {}

    // Applies one event; returns the number of bytes consumed (0 at the end).
    size_t Step(const uint8_t* data, size_t size) {
        if (size == 0) return 0;
        const uint8_t op = data[0];
        size_t used = 1;
        switch (op % 10) {
        case 0: {  // a chunk of arbitrary bytes from the line
            size_t n = size > 1 ? data[1] % 48 : 0;
            used = 2;
            if (used + n > size) n = size > used ? size - used : 0;
            if (serial_.PortOpen())
                serial_.Receive(std::string(reinterpret_cast<const char*>(data + used), n));
            used += n;
            break;
        }
        case 1:  // a line a counter sends
            if (serial_.PortOpen()) serial_.Receive(kCannedLines[(op / 10) % kCannedLineCount]);
            break;
        case 2:
        case 3:
        case 4: {  // a click on a key, as the window delivers it: only when enabled
            const KeyBinding& key = kClickableKeys[(op / 10 + (op % 10 - 2) * 26) % kClickableKeyCount];
            if ((panel_.view.*key.button).Enabled) (panel_.*key.click)();
            break;
        }
        case 5:
        case 6:  // system clock ticks
            for (int i = 0; i <= op / 40; ++i) panel_.timSystemClk_Timer();
            break;
        case 7:  // the identification timer, if armed
            if (panel_.view.timPowerOn.Enabled) panel_.timPowerOn_Timer();
            break;
        case 8:  // DSR changes, and commands held back by the line
            serial_.dsr = (op & 0x10) != 0;
            serial_.waiting = (op & 0x20) != 0 ? (op >> 6) + 1 : 0;
            break;
        case 9: {  // a serial-settings menu choice, or a fault of the line
            const int which = op / 10;
            if (which < 20) {
                static constexpr int16_t kItems[] = {5, 5, 3, 2, 3};
                const auto menu = static_cast<SerialMenu>(which % 5);
                panel_.SerialMenu_Click(menu, static_cast<int16_t>((which / 5) % kItems[which % 5]));
            } else if (serial_.PortOpen()) {
                serial_.Fail(SerialFault::DeviceLost, "device lost");
            }
            break;
        }
        }
        return used;
    }

private:
    SoftPanel& panel_;
    FakeSerial& serial_;
};

// What must hold after any sequence of events; returns "" or the first broken rule.
inline std::string CheckInvariants(const SoftPanel& p) {
    auto flag = [](Flag f) { return f == kTrue || f == kFalse; };
    const Flag flags[] = {p.menuTimeoutArmed, p.deferArmed, p.deferIsKey, p.entryUnconfirmed,
                          p.moveLightBlinking, p.menuFirstPress, p.running, p.stopOnLimitFail,
                          p.ch1Imp50Ohm, p.ch1CouplingDC, p.ch1AttenX10, p.ch1LowPassFilter,
                          p.trigSlopeNeg, p.limitTestOn, p.mathOn, p.statsOn};
    for (Flag f : flags)
        if (!flag(f)) return "a flag holds " + std::to_string(f);
    using namespace kt::display;
    static constexpr int16_t kCodes[] = {
        kReadings,        kFreqFuncMenu,     kPeriodFuncMenu,  kOtherFuncMenu,   kGateTimeMenu,
        kCh1ImpedanceMenu, kCh1CouplingMenu, kCh1AttenuatorMenu, kCh1FilterMenu, kTrigLevelEditor,
        kTrigSlopeMenu,   kUpperLimitEditor, kLowerLimitEditor, kLimitTestMenu,  kOnFailMenu,
        kMathScaleEditor, kMathOffsetEditor, kMathOnOffMenu,   kStatsShowMenu,   kStatsF0Editor,
        kStatsCountEditor, kStatsOnOffMenu,  kMenuMessage};
    bool known = false;
    for (int16_t c : kCodes) known = known || c == p.displayCode;
    if (!known) return "displayCode " + std::to_string(p.displayCode);
    auto in = [](int v, int lo, int hi) { return v >= lo && v <= hi; };
    if (!in(p.freqFuncItem, 0, 6)) return "freqFuncItem out of its menu";
    if (!in(p.periodFuncItem, 0, 2)) return "periodFuncItem out of its menu";
    if (p.otherFuncItem != 0) return "otherFuncItem out of its menu";
    if (!in(p.measFunction, 0, 10)) return "measFunction out of range";
    if (!in(p.gateTimeIndex, 0, 17)) return "gateTimeIndex out of its menu";
    if (!in(p.trigMenuItem, 0, 2)) return "trigMenuItem out of range";
    if (!in(p.limitValueItem, 0, 1) || !in(p.limitModeItem, 0, 1)) return "limit item out of its menu";
    if (!in(p.mathMenuItem, 0, 2)) return "mathMenuItem out of its menu";
    if (!in(p.statsMenuItem, 0, 3)) return "statsMenuItem out of its menu";
    if (!in(p.statsShowItem, 0, 8)) return "statsShowItem out of its menu";
    if (!in(p.trigLevel, -500, 500)) return "trigLevel out of range";
    if (!in(p.statsCount, 2, 2000)) return "statsCount out of range";
    if (!in(p.frequencyRange, 0, 9)) return "frequencyRange out of range";
    const IntEditor& ie = p.intEditor;
    if (ie.editIntDigits > 0 && !in(ie.editCursor, 0, ie.editIntDigits - 1)) return "editCursor off its digits";
    if (ie.editIntMax > ie.editIntMin && !in(ie.editInt, ie.editIntMin, ie.editIntMax)) return "editInt outside its clamps";
    const ValueEditor& ve = p.valueEditor;
    if (ve.editValueDigits != 7 && ve.editValueDigits != 11) return "editValueDigits not 7 or 11";
    if (!in(ve.editValueDecimals, 0, ve.editValueDigits - 1)) return "editValueDecimals out of range";
    if (!in(ve.editValueCursor, 0, ve.editValueDigits - 1)) return "editValueCursor off the shown digits";
    if (ve.editValueText.size() != 12) return "editValueText not 12 characters";
    if (!in(ve.editValuePrefix, -6, 6) || ve.editValuePrefix % 3 != 0) return "editValuePrefix not a prefix";
    if (p.view.txtReceive.Text().size() > 65535) return "txtReceive grew past its bound";
    const auto& d = p.view.txtDisplay;
    if (d.SelLength < 0 || d.SelStart < 0 || d.SelStart + d.SelLength > static_cast<int>(d.Text().size()))
        return "display selection outside the text";
    return {};
}

}  // namespace kt::test
