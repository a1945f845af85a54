#include <array>
#include <cstddef>
#include <string_view>

#include "core/soft_panel.h"

namespace kt {

namespace {

using ButtonRef = CommandButton PanelView::*;

// The power button's caption while connected or connecting, and while disconnected.
constexpr std::string_view kCaptionConnected = "断开";
constexpr std::string_view kCaptionDisconnected = "连接";

// The keys that connecting enables, in the order they are enabled.
constexpr std::array<ButtonRef, 25> kConnectKeys = {
    &PanelView::cmdArm,       &PanelView::cmdCh1Att,      &PanelView::cmdCh1Coup,  &PanelView::cmdCh1Filt,
    &PanelView::cmdCh1Imp,    &PanelView::cmdCh1Trig,     &PanelView::cmdSpeedHigh, &PanelView::cmdSpeedFast,
    &PanelView::cmdSpeedMiddle, &PanelView::cmdSpeedLow,  &PanelView::cmdDown,     &PanelView::cmdEnter,
    &PanelView::cmdFrequency, &PanelView::cmdLeft,        &PanelView::cmdLimitMode, &PanelView::cmdOther,
    &PanelView::cmdRight,     &PanelView::cmdRun,         &PanelView::cmdScale,    &PanelView::cmdSign,
    &PanelView::cmdStats,     &PanelView::cmdStop,        &PanelView::cmdTime,     &PanelView::cmdUp,
    &PanelView::cmdUpper,
};

// The keys that disconnecting disables, in that order: the keys above and the
// three that are never enabled (key lock, store/recall, utility).
constexpr std::array<ButtonRef, 28> kDisconnectKeys = {
    &PanelView::cmdArm,       &PanelView::cmdCh1Att,    &PanelView::cmdCh1Coup,     &PanelView::cmdCh1Filt,
    &PanelView::cmdCh1Imp,    &PanelView::cmdCh1Trig,   &PanelView::cmdSpeedHigh,   &PanelView::cmdSpeedFast,
    &PanelView::cmdSpeedMiddle, &PanelView::cmdSpeedLow, &PanelView::cmdKeyLock,    &PanelView::cmdDown,
    &PanelView::cmdEnter,     &PanelView::cmdFrequency, &PanelView::cmdLeft,        &PanelView::cmdLimitMode,
    &PanelView::cmdOther,     &PanelView::cmdRight,     &PanelView::cmdRun,         &PanelView::cmdSave,
    &PanelView::cmdScale,     &PanelView::cmdSign,      &PanelView::cmdStats,       &PanelView::cmdStop,
    &PanelView::cmdTime,      &PanelView::cmdUp,        &PanelView::cmdUpper,       &PanelView::cmdUtility,
};

// The keys that only the full model (not the A model) offers.
constexpr std::array<ButtonRef, 4> kModelKeys = {
    &PanelView::cmdUpper, &PanelView::cmdLimitMode, &PanelView::cmdScale, &PanelView::cmdStats};

// The models the identification reply may name, in characters 8 to 15.
struct Model {
    std::string_view field;
    std::string_view title;
    bool fullKeys;
};
constexpr std::array<Model, 2> kModels = {{
    {"KT46290-", "KT46290型高精度频率计（Frequency Counter）", true},
    {"KT46290A", "KT46290A型高精度频率计（Frequency Counter）", false},
}};
constexpr std::size_t kModelFieldStart = 7;
constexpr std::size_t kModelFieldLength = 8;

// The frequency ranges, searched in this order; the first found wins. The
// title gets two blanks, the searched text and "Hz".
constexpr std::array<std::string_view, 10> kRangeSuffixes = {
    "-225M", "-500M", "-1.5G", "-2.5G", "-3G", "-6G", "-8G", "-9G", "-12.4G", "-16G"};
// From these ranges on, channel 3 and channel 2 have N-type input connectors.
constexpr int16_t kFirstNTypeCh3Range = 5;
constexpr int16_t kFirstNTypeCh2Range = 8;

// Printable characters of a reply, for a message line: control characters
// become blanks, other bytes (not text) are left out, the ends are trimmed and
// a long reply is cut short.
std::string PrintableReply(std::string_view reply) {
    constexpr std::size_t kMaxShown = 60;
    std::string shown;
    for (char c : reply) {
        if (c >= 0x20 && c <= 0x7e) {
            shown.push_back(c);
        } else if (c == '\n' || c == '\r' || c == '\t') {
            shown.push_back(' ');
        }
    }
    const std::size_t first = shown.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    shown = shown.substr(first, shown.find_last_not_of(' ') - first + 1);
    if (shown.size() > kMaxShown) shown = shown.substr(0, kMaxShown) + "...";
    return shown;
}

}  // namespace

void SoftPanel::Form_Load() {
    LoadPanelPictures();
    SetSerialDefaults();
    PowerOn();
}

// The power button connects when disconnected; when connected (or connecting)
// it returns the counter to local operation and disconnects.
void SoftPanel::cmdPower_Click() {
    if (view.cmdPower.Caption != kCaptionConnected) {
        PowerOn();
        return;
    }
    if (mscSoftPanel.PortOpen()) SendCommand("SYST:LOC");
    PowerOff();
    ResetPanelState();
    view.txtDisplay.SetText("0 ");
}

// Resets the panel, lights the lamps, enables the keys, opens the port and
// asks the counter who it is; the answer is read 200 ms later. A port that
// will not open leaves the panel disconnected and says why.
void SoftPanel::PowerOn() {
    view.lblMessage.Caption.clear();
    ResetPanelState();
    RefreshAllLamps();
    EnableFrontPanel();
    if (!mscSoftPanel.PortOpen()) {
        PowerOff();
        view.timPowerOn.Enabled = false;
        std::string message = mscSoftPanel.LastFaultText();
        if (message.empty()) {
            message = "Cannot open port " + std::to_string(mscSoftPanel.CommPort()) + " (" +
                      mscSoftPanel.DeviceName() + ").";
        }
        view.lblMessage.Caption = message;
        view.lblMessage.Visible = true;
        return;
    }
    SendCommand("*IDN?");
    // Restarts the countdown even when a connect within the last 200 ms left it
    // running, so the identification step always comes 200 ms after its "*IDN?".
    view.timPowerOn.Start(200);
}

void SoftPanel::EnableFrontPanel() {
    for (ButtonRef key : kConnectKeys) (view.*key).Enabled = true;
    if (!mscSoftPanel.PortOpen()) mscSoftPanel.SetPortOpen(true);
    view.cmdPower.Caption = kCaptionConnected;
    view.lblPosExp.Visible = false;
    view.lblNegExp.Visible = false;
    view.lblFreqUnit.Visible = false;
    view.lblTimeUnit.Visible = false;
    view.lblGate.Visible = false;
    view.lblRemote.Visible = true;
}

// Disables every key and closes the port. Sends nothing and leaves the lamps,
// the display and the panel state as they are.
void SoftPanel::PowerOff() {
    for (ButtonRef key : kDisconnectKeys) (view.*key).Enabled = false;
    if (mscSoftPanel.PortOpen()) mscSoftPanel.SetPortOpen(false);
    view.cmdPower.Caption = kCaptionDisconnected;
    view.lblRemote.Visible = false;
    view.txtString.SetText({});
    if (lineTap.observer != nullptr) lineTap.observer->OnLinkClosed();
}

// The identification step, once per connect: the last completed text should be
// the reply to "*IDN?". It names the model in characters 8 to 15 and the
// frequency range anywhere after.
void SoftPanel::timPowerOn_Timer() {
    view.timPowerOn.Enabled = false;

    const std::string reply = view.txtString.Text();
    const std::string_view field =
        reply.size() > kModelFieldStart ? std::string_view(reply).substr(kModelFieldStart, kModelFieldLength)
                                        : std::string_view();
    const Model* model = nullptr;
    for (const Model& m : kModels) {
        if (field == m.field) {
            model = &m;
            break;
        }
    }

    if (model == nullptr) {
        // A port closed by now means the user switched off or the line failed
        // during the wait; that has been dealt with already.
        const bool wasConnecting = mscSoftPanel.PortOpen();
        PowerOff();
        if (wasConnecting) {
            if (reply.empty()) {
                view.lblMessage.Caption = "No answer to *IDN? on " + mscSoftPanel.DeviceName() + " at " +
                                          mscSoftPanel.Settings() + ": check the cable and the baud rate.";
            } else {
                view.lblMessage.Caption = "The answer on " + mscSoftPanel.DeviceName() +
                                          " was not from a KT46290: \"" + PrintableReply(reply) + "\"";
            }
            view.lblMessage.Visible = true;
        }
        return;
    }

    view.lblTitle.Caption = model->title;
    SendCommand("*RST");
    for (ButtonRef key : kModelKeys) (view.*key).Enabled = model->fullKeys;

    for (std::size_t i = 0; i < kRangeSuffixes.size(); ++i) {
        if (reply.find(kRangeSuffixes[i]) != std::string::npos) {
            view.lblTitle.Caption += "  ";
            view.lblTitle.Caption += kRangeSuffixes[i];
            view.lblTitle.Caption += "Hz";
            frequencyRange = static_cast<int16_t>(i);
            break;
        }
    }

    if (frequencyRange >= kFirstNTypeCh3Range) view.imgCh3Q9.Picture = appPath + "/N-Connect.jpg";
    if (frequencyRange >= kFirstNTypeCh2Range) view.imgCh2Q9.Picture = appPath + "/N-Connect.jpg";
}

// Loads the picture files that lie beside the program.
void SoftPanel::LoadPanelPictures() {
    const auto file = [this](std::string_view name) { return appPath + "/" + std::string(name); };
    view.imgKT.Picture = file("kt.jpg");
    view.imgCh1Q9.Picture = file("BNC-Connect.jpg");
    view.imgCh2Q9.Picture = file("BNC-Connect.jpg");
    view.imgCh3Q9.Picture = file("BNC-Connect.jpg");
    view.imgCh1Alarm.Picture = file("Alarm.jpg");
    view.imgCh2Alarm.Picture = file("Alarm.jpg");
    view.imgCh3Alarm.Picture = file("Alarm.jpg");
    view.imgCh1Gnd.Picture = file("Gnd.jpg");
    view.imgCh2Gnd.Picture = file("Gnd.jpg");
    view.imgCh3Gnd.Picture = file("Gnd.jpg");
    view.cmdUp.Picture = file("ArwUp.ico");
    view.cmdDown.Picture = file("ArwDown.ico");
    view.cmdLeft.Picture = file("ArwLeft.ico");
    view.cmdRight.Picture = file("ArwRight.ico");
}

}  // namespace kt
