// Clicks on the coded front-panel keys. A click first applies the key's local
// action to the panel's mirror of the counter (or defers it while an edited
// value is unconfirmed), then presses the same key on the counter with
// "SYST:KEY n". The save, utility and key-lock keys stay disabled and have no
// click procedure; the arrow, sign and Enter keys have their own.
#include <string>

#include "core/soft_panel.h"
#include "keys/key_table.h"

namespace kt {

namespace {

// How long "NOT ENTERED " stays on the display before the key's action runs.
constexpr int kNotEnteredTicks = 12;

}  // namespace

void SoftPanel::cmdFrequency_Click() { ClickCodedKey(CodeOf(KeyAction::Frequency)); }
void SoftPanel::cmdOther_Click() { ClickCodedKey(CodeOf(KeyAction::Other)); }
void SoftPanel::cmdTime_Click() { ClickCodedKey(CodeOf(KeyAction::Time)); }
void SoftPanel::cmdArm_Click() { ClickCodedKey(CodeOf(KeyAction::Arm)); }
void SoftPanel::cmdUpper_Click() { ClickCodedKey(CodeOf(KeyAction::Upper)); }
void SoftPanel::cmdLimitMode_Click() { ClickCodedKey(CodeOf(KeyAction::LimitMode)); }
void SoftPanel::cmdRun_Click() { ClickCodedKey(CodeOf(KeyAction::Run)); }
void SoftPanel::cmdScale_Click() { ClickCodedKey(CodeOf(KeyAction::Scale)); }
void SoftPanel::cmdStats_Click() { ClickCodedKey(CodeOf(KeyAction::Stats)); }
void SoftPanel::cmdStop_Click() { ClickCodedKey(CodeOf(KeyAction::Stop)); }
void SoftPanel::cmdCh1Trig_Click() { ClickCodedKey(CodeOf(KeyAction::Ch1Trig)); }
void SoftPanel::cmdCh1Imp_Click() { ClickCodedKey(CodeOf(KeyAction::Ch1Imp)); }
void SoftPanel::cmdCh1Coup_Click() { ClickCodedKey(CodeOf(KeyAction::Ch1Coup)); }
void SoftPanel::cmdCh1Att_Click() { ClickCodedKey(CodeOf(KeyAction::Ch1Att)); }
void SoftPanel::cmdCh1Filt_Click() { ClickCodedKey(CodeOf(KeyAction::Ch1Filt)); }
void SoftPanel::cmdSpeedHigh_Click() { ClickCodedKey(CodeOf(KeyAction::SpeedHigh)); }
void SoftPanel::cmdSpeedFast_Click() { ClickCodedKey(CodeOf(KeyAction::SpeedFast)); }
void SoftPanel::cmdSpeedMiddle_Click() { ClickCodedKey(CodeOf(KeyAction::SpeedMiddle)); }
void SoftPanel::cmdSpeedLow_Click() { ClickCodedKey(CodeOf(KeyAction::SpeedLow)); }

void SoftPanel::ClickCodedKey(int16_t code) {
    const CodedKey* key = FindCodedKey(code);
    if (key == nullptr) return;

    if (entryUnconfirmed != kFalse) {
        // A value edited on the panel was not confirmed with Enter: show
        // "NOT ENTERED " first and run the key's action when the message has
        // been up for 1.2 s. The edit itself is abandoned.
        entryUnconfirmed = kFalse;
        deferArmed = kTrue;
        deferTick = Add16(tickCount, kNotEnteredTicks);
        ShowMenuMessage(message::kNotEntered);
        deferIsKey = kTrue;
        deferKeyCode = code;
    } else {
        deferIsKey = kFalse;
        (this->*key->action)();
    }
    // The counter gets the key press at once in both cases.
    SendCommand(KeyPressCommand(key->keyNumber));
}

}  // namespace kt
