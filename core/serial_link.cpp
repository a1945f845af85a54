#include <array>
#include <cstddef>
#include <string_view>

#include "core/receive_text.h"
#include "core/soft_panel.h"

namespace kt {

namespace {

using ItemRef = MenuItem PanelView::*;
using SettingRef = int16_t SoftPanel::*;

// One serial-settings menu: its items in menu order and the setting they
// choose. Item i stores the value i.
struct SerialMenuTable {
    SettingRef setting;
    std::size_t count;
    std::array<ItemRef, 5> items;
};

constexpr std::array<SerialMenuTable, 5> kSerialMenus = {{
    // SerialMenu::Port
    {&SoftPanel::serialPortIndex, 5,
     {&PanelView::mnuPortComm1, &PanelView::mnuPortComm2, &PanelView::mnuPortComm3, &PanelView::mnuPortComm4,
      &PanelView::mnuPortComm5}},
    // SerialMenu::Baud
    {&SoftPanel::serialBaudIndex, 5,
     {&PanelView::mnuBaud2400, &PanelView::mnuBaud4800, &PanelView::mnuBaud9600, &PanelView::mnuBaud19200,
      &PanelView::mnuBaud38400}},
    // SerialMenu::Parity
    {&SoftPanel::serialParityIndex, 3,
     {&PanelView::mnuParityOff, &PanelView::mnuParityEven, &PanelView::mnuParityOdd, nullptr, nullptr}},
    // SerialMenu::Swpace
    {&SoftPanel::serialXonPacing, 2, {&PanelView::mnuSwpaceNone, &PanelView::mnuSwpaceXon, nullptr, nullptr, nullptr}},
    // SerialMenu::DTR
    {&SoftPanel::serialDtrMode, 3,
     {&PanelView::mnuDTRHigh, &PanelView::mnuDTRLimit, &PanelView::mnuDTRHwpace, nullptr, nullptr}},
}};

// The parts of the settings text, by baud index and by parity index.
constexpr std::array<std::string_view, 5> kBaudParts = {"2400,", "4800,", "9600,", "19200,", "38400,"};
constexpr std::array<std::string_view, 3> kFramingParts = {"n,8,1", "e,7,1", "o,7,1"};

template <std::size_t N>
std::string_view PartFor(const std::array<std::string_view, N>& parts, int16_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= N) return {};
    return parts[static_cast<std::size_t>(index)];
}

}  // namespace

void SoftPanel::SetSerialDefaults() {
    serialBaudIndex = 2;  // 9600 baud
    serialPortIndex = 0;  // port 1
    serialParityIndex = 0;
    serialXonPacing = 0;
    serialDtrMode = 0;
}

// Closes the port without a word to the counter, hands the chosen settings to
// the serial control for the next open, and leaves the panel disconnected.
void SoftPanel::ApplySerialSettings() {
    if (mscSoftPanel.PortOpen()) mscSoftPanel.SetPortOpen(false);
    if (serialPortIndex >= 0 && serialPortIndex <= 4) mscSoftPanel.SetCommPort(static_cast<int16_t>(serialPortIndex + 1));

    std::string settings(PartFor(kBaudParts, serialBaudIndex));
    settings += PartFor(kFramingParts, serialParityIndex);
    mscSoftPanel.SetSettings(settings);

    mscSoftPanel.SetHandshaking(serialXonPacing != 0 ? 1 : 0);
    if (serialDtrMode == 0 || serialDtrMode == 1) {
        mscSoftPanel.SetDTREnable(false);
    } else if (serialDtrMode == 2) {
        mscSoftPanel.SetDTREnable(true);
    }

    PowerOff();
    MoveLightOff();
    view.txtDisplay.SetText("0 ");
}

// item counts from 0 in menu order and is the value the item stands for.
// Clicking the item that already carries the check mark changes nothing.
void SoftPanel::SerialMenu_Click(SerialMenu menu, int16_t item) {
    const auto menuIndex = static_cast<std::size_t>(menu);
    if (menuIndex >= kSerialMenus.size()) return;
    const SerialMenuTable& table = kSerialMenus[menuIndex];
    if (item < 0 || static_cast<std::size_t>(item) >= table.count) return;
    if ((view.*table.items[static_cast<std::size_t>(item)]).Checked) return;

    for (std::size_t i = 0; i < table.count; ++i) {
        (view.*table.items[i]).Checked = (i == static_cast<std::size_t>(item));
    }
    this->*table.setting = item;
    ApplySerialSettings();
}

// Collects received characters until the text ends with a line feed, then
// hands the completed text on: the "LOC" line disconnects, "SAMPLE" text is
// dropped, anything else is shown as a reading while the display is free.
void SoftPanel::mscSoftPanel_OnComm() {
    const std::string received = mscSoftPanel.Input();
    AppendReceived(view.txtReceive.MutableText(), received);
    // The record of readings takes every line of the receive buffer as its
    // line feed arrives, with the time of the read that brought it; the
    // identification reply (read while timPowerOn runs) is not a reading.
    lineTap.Received(view.txtReceive.Text(), received.size(), mscSoftPanel.PortOpen() && !view.timPowerOn.Enabled,
                     MeasFunctionName(measFunction), mscSoftPanel.InputTime());

    // Limit indication: the counter asserts DSR while a limit test fails.
    if (serialDtrMode == 1) {
        if (mscSoftPanel.DSRHolding()) {
            view.lblLimit.Visible = true;
            if (stopOnLimitFail != kFalse) {
                running = kFalse;
                ShowRunStopLamps();
            }
        } else {
            view.lblLimit.Visible = false;
        }
    }

    view.lblGate.Visible = false;
    if (!EndsWithLineFeed(view.txtReceive.Text())) return;

    view.txtString.SetText(view.txtReceive.Text());
    view.txtReceive.SetText({});

    switch (ClassifyReceived(view.txtString.Text())) {
    case ReceivedKind::LocalLine:
        PowerOff();
        return;
    case ReceivedKind::Sample:
        return;
    case ReceivedKind::Reading:
        break;
    }
    if (displayCode == display::kReadings) ShowReading();
    view.lblGate.Visible = true;
}

// The open port failed (device gone, write refused); the serial control has
// closed it already. The panel disconnects as for the "LOC" line and says why.
// A line cut off by the failure can never be completed: it is dropped, or it
// would be taken as the start of the next counter's identification reply.
void SoftPanel::mscSoftPanel_OnFault(SerialFault, const std::string& text) {
    view.txtReceive.SetText({});
    PowerOff();
    std::string message = text.empty() ? mscSoftPanel.LastFaultText() : text;
    if (message.empty()) message = "The connection on " + mscSoftPanel.DeviceName() + " failed.";
    view.lblMessage.Caption = message;
    view.lblMessage.Visible = true;
}

// Closing the window returns the counter to local operation first.
void SoftPanel::Form_Unload() {
    if (!mscSoftPanel.PortOpen()) return;
    SendCommand("SYST:LOC");
    mscSoftPanel.SetPortOpen(false);
}

// One command and its line feed, in one write.
void SoftPanel::SendCommand(const std::string& command) {
    mscSoftPanel.Output(command + "\n");
}

}  // namespace kt
