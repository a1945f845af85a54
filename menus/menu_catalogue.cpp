// The show operations: each writes the counter's text for the current item of
// one menu to the display, from the mirrored menu position. A position outside
// its menu writes no text and leaves the display as it was.
#include <array>
#include <string>
#include <string_view>

#include "core/soft_panel.h"
#include "menus/menu_texts.h"

namespace kt {

namespace {

// Writes texts[index] to the display; an index outside the list writes nothing.
template <std::size_t N>
bool ShowListText(SoftPanel& p, const std::array<std::string_view, N>& texts, int16_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= N) return false;
    p.view.txtDisplay.SetText(std::string(texts[static_cast<std::size_t>(index)]));
    return true;
}

// Writes the text for the flag's state: -1 the true text, 0 the false text.
// A flag holding anything else writes nothing; returns whether text was shown.
bool ShowFlagText(SoftPanel& p, const menus::TwoStateTexts& texts, Flag flag) {
    if (flag == kTrue) {
        p.view.txtDisplay.SetText(std::string(texts.whenTrue));
    } else if (flag == kFalse) {
        p.view.txtDisplay.SetText(std::string(texts.whenFalse));
    } else {
        return false;
    }
    return true;
}

// A channel 1 setting: its text, then the lamp beside its key.
void ShowChannelSetting(SoftPanel& p, const menus::TwoStateTexts& texts, Flag setting, Lamp& lamp) {
    p.HideUnitLabels();
    if (ShowFlagText(p, texts, setting)) lamp.BackColor = setting == kTrue ? kLampLit : kLampOff;
}

// A mode switch (limit test, math, statistics): its text, then the lamp
// procedure that lights or darkens the lamp and sets the switch to match.
void ShowModeSwitch(SoftPanel& p, const menus::TwoStateTexts& texts, Flag setting, void (SoftPanel::*lampOn)(),
                    void (SoftPanel::*lampOff)()) {
    if (!ShowFlagText(p, texts, setting)) return;
    if (setting == kTrue) {
        (p.*lampOn)();
    } else {
        (p.*lampOff)();
    }
}

// Only the frequency unit shown: the limits and F0 are frequencies.
void ShowFrequencyUnitOnly(SoftPanel& p) {
    p.view.lblFreqUnit.Visible = true;
    p.view.lblTimeUnit.Visible = false;
    p.view.lblPosExp.Visible = false;
    p.view.lblNegExp.Visible = false;
}

// Sets up the integer editor for a whole-number setting.
void LoadIntEditor(SoftPanel& p, int16_t value, int16_t lastPos, int16_t digits, int16_t decimals, int16_t max,
                   int16_t min) {
    IntEditor& e = p.intEditor;
    e.editInt = value;
    e.editIntLastPos = lastPos;
    e.editCursor = 0;
    e.editIntDigits = digits;
    e.editIntDecimals = decimals;
    e.editIntMax = max;
    e.editIntMin = min;
}

// The value editor loaded with a stored setting and shown with its label.
void ShowValueItem(SoftPanel& p, double value) {
    p.LoadValueEditor(value);
    p.ShowEditedValue();
}

}  // namespace

void SoftPanel::HideUnitLabels() {
    view.lblFreqUnit.Visible = false;
    view.lblTimeUnit.Visible = false;
    view.lblPosExp.Visible = false;
    view.lblNegExp.Visible = false;
}

void SoftPanel::ShowFreqFuncItem() {
    HideUnitLabels();
    ShowListText(*this, menus::kFreqFuncTexts, freqFuncItem);
}

void SoftPanel::ShowPeriodFuncItem() {
    HideUnitLabels();
    ShowListText(*this, menus::kPeriodFuncTexts, periodFuncItem);
}

void SoftPanel::ShowOtherFuncItem() {
    HideUnitLabels();
    ShowListText(*this, menus::kOtherFuncTexts, otherFuncItem);
}

void SoftPanel::ShowGateTime() {
    HideUnitLabels();
    ShowListText(*this, menus::kGateTimeTexts, gateTimeIndex);
}

void SoftPanel::ShowCh1Impedance() { ShowChannelSetting(*this, menus::kCh1ImpedanceTexts, ch1Imp50Ohm, view.shpCh1Imp); }

void SoftPanel::ShowCh1Coupling() { ShowChannelSetting(*this, menus::kCh1CouplingTexts, ch1CouplingDC, view.shpCh1Coup); }

void SoftPanel::ShowCh1Attenuation() {
    ShowChannelSetting(*this, menus::kCh1AttenuationTexts, ch1AttenX10, view.shpCh1Att);
}

void SoftPanel::ShowCh1Filter() { ShowChannelSetting(*this, menus::kCh1FilterTexts, ch1LowPassFilter, view.shpCh1Filt); }

void SoftPanel::ShowTriggerMenu() {
    HideUnitLabels();
    switch (trigMenuItem) {
    case 0:  // the level, in hundredths of a volt, edited digit by digit
        displayCode = display::kTrigLevelEditor;
        LoadIntEditor(*this, trigLevel, 11, 3, 2, 500, -500);
        ShowLevelText();
        break;
    case 1:
        displayCode = display::kTrigSlopeMenu;
        ShowFlagText(*this, menus::kTrigSlopeTexts, trigSlopeNeg);
        break;
    default:
        break;
    }
}

void SoftPanel::ShowLimitValueMenu() {
    ShowFrequencyUnitOnly(*this);
    switch (limitValueItem) {
    case 0:
        displayCode = display::kUpperLimitEditor;
        ShowValueItem(*this, limitUpper);
        break;
    case 1:
        displayCode = display::kLowerLimitEditor;
        ShowValueItem(*this, limitLower);
        break;
    default:
        break;
    }
}

void SoftPanel::ShowLimitModeMenu() {
    HideUnitLabels();
    switch (limitModeItem) {
    case 0:
        displayCode = display::kLimitTestMenu;
        ShowModeSwitch(*this, menus::kLimitTestTexts, limitTestOn, &SoftPanel::LimitLampOn, &SoftPanel::LimitLampOff);
        break;
    case 1:
        displayCode = display::kOnFailMenu;
        ShowFlagText(*this, menus::kOnFailTexts, stopOnLimitFail);
        break;
    default:
        break;
    }
}

void SoftPanel::ShowMathMenu() {
    HideUnitLabels();
    switch (mathMenuItem) {
    case 0:
        displayCode = display::kMathScaleEditor;
        ShowValueItem(*this, mathScale);
        break;
    case 1:
        displayCode = display::kMathOffsetEditor;
        ShowValueItem(*this, mathOffset);
        break;
    case 2:
        displayCode = display::kMathOnOffMenu;
        ShowModeSwitch(*this, menus::kMathOnTexts, mathOn, &SoftPanel::MathLampOn, &SoftPanel::MathLampOff);
        break;
    default:
        break;
    }
}

void SoftPanel::ShowStatsMenu() {
    HideUnitLabels();
    switch (statsMenuItem) {
    case 0:
        displayCode = display::kStatsShowMenu;
        ShowListText(*this, menus::kStatsShowTexts, statsShowItem);
        break;
    case 1:
        displayCode = display::kStatsF0Editor;
        ShowFrequencyUnitOnly(*this);
        ShowValueItem(*this, statsF0);
        break;
    case 2:  // N: four digits, no decimal point for the cursor to step over
        displayCode = display::kStatsCountEditor;
        LoadIntEditor(*this, statsCount, 21, 4, 13, 2000, 2);
        ShowCountText();
        break;
    case 3:
        displayCode = display::kStatsOnOffMenu;
        ShowModeSwitch(*this, menus::kStatsOnTexts, statsOn, &SoftPanel::StatsLampOn, &SoftPanel::StatsLampOff);
        break;
    default:
        break;
    }
}

void SoftPanel::ShowMenuMessage(int16_t index) {
    displayCode = display::kMenuMessage;
    ShowListText(*this, menus::kMenuMessages, index);
}

}  // namespace kt
