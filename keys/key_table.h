// The coded front-panel keys: for each key its key-action code, the key number
// the counter knows it by, and the panel's local action for it.
//
// Two numberings, both fixed by the counter and by the panel, and never mixed:
// - the key-action code (1..19) names a key's local action; a deferred key is
//   stored under it in deferKeyCode and run again by RunKeyAction;
// - the key number is what "SYST:KEY " carries to the counter, and what the
//   local actions record in lastKey; it comes from the one table of key
//   numbers, core/key_numbers.h.
// The arrow, sign and Enter keys have no code: they act on the display and
// send their own command.
#pragma once

#include <array>
#include <cstdint>

#include "core/key_numbers.h"
#include "core/soft_panel.h"

namespace kt {

// Key-action codes, in the order of the local actions.
enum class KeyAction : int16_t {
    Frequency = 1,
    Time,
    Other,
    Arm,
    Upper,
    LimitMode,
    Scale,
    Stats,
    Run,
    Stop,
    Ch1Trig,
    Ch1Imp,
    Ch1Coup,
    Ch1Att,
    Ch1Filt,
    SpeedHigh,
    SpeedFast,
    SpeedMiddle,
    SpeedLow,
};

constexpr int16_t CodeOf(KeyAction key) { return static_cast<int16_t>(key); }

struct CodedKey {
    KeyAction code;
    int16_t keyNumber;              // sent after "SYST:KEY "
    void (SoftPanel::*action)();    // the local action
    const char* button;             // the button's name on the panel
};

// A row of the table, its key number looked up by the button's name.
consteval CodedKey Coded(KeyAction code, const char* button, void (SoftPanel::*action)()) {
    return {code, KeyNumberOf(button), action, button};
}

// Indexed by code - 1.
inline constexpr std::array<CodedKey, 19> kCodedKeys{{
    Coded(KeyAction::Frequency, "cmdFrequency", &SoftPanel::ApplyFrequencyKey),
    Coded(KeyAction::Time, "cmdTime", &SoftPanel::ApplyTimeKey),
    Coded(KeyAction::Other, "cmdOther", &SoftPanel::ApplyOtherKey),
    Coded(KeyAction::Arm, "cmdArm", &SoftPanel::ApplyArmKey),
    Coded(KeyAction::Upper, "cmdUpper", &SoftPanel::ApplyUpperKey),
    Coded(KeyAction::LimitMode, "cmdLimitMode", &SoftPanel::ApplyLimitModeKey),
    Coded(KeyAction::Scale, "cmdScale", &SoftPanel::ApplyScaleKey),
    Coded(KeyAction::Stats, "cmdStats", &SoftPanel::ApplyStatsKey),
    Coded(KeyAction::Run, "cmdRun", &SoftPanel::ApplyRunKey),
    Coded(KeyAction::Stop, "cmdStop", &SoftPanel::ApplyStopKey),
    Coded(KeyAction::Ch1Trig, "cmdCh1Trig", &SoftPanel::ApplyCh1TrigKey),
    Coded(KeyAction::Ch1Imp, "cmdCh1Imp", &SoftPanel::ApplyCh1ImpKey),
    Coded(KeyAction::Ch1Coup, "cmdCh1Coup", &SoftPanel::ApplyCh1CoupKey),
    Coded(KeyAction::Ch1Att, "cmdCh1Att", &SoftPanel::ApplyCh1AttKey),
    Coded(KeyAction::Ch1Filt, "cmdCh1Filt", &SoftPanel::ApplyCh1FiltKey),
    Coded(KeyAction::SpeedHigh, "cmdSpeedHigh", &SoftPanel::ApplySpeedHighKey),
    Coded(KeyAction::SpeedFast, "cmdSpeedFast", &SoftPanel::ApplySpeedFastKey),
    Coded(KeyAction::SpeedMiddle, "cmdSpeedMiddle", &SoftPanel::ApplySpeedMiddleKey),
    Coded(KeyAction::SpeedLow, "cmdSpeedLow", &SoftPanel::ApplySpeedLowKey),
}};

constexpr bool CodedKeysInOrder() {
    for (std::size_t i = 0; i < kCodedKeys.size(); ++i) {
        if (CodeOf(kCodedKeys[i].code) != static_cast<int16_t>(i + 1)) return false;
    }
    return true;
}
static_assert(CodedKeysInOrder(), "the key table is indexed by key-action code");

// The key with this code, or nullptr for a code outside 1..19.
constexpr const CodedKey* FindCodedKey(int16_t code) {
    if (code < 1 || code > static_cast<int16_t>(kCodedKeys.size())) return nullptr;
    return &kCodedKeys[static_cast<std::size_t>(code - 1)];
}

constexpr int16_t KeyNumberOf(KeyAction key) { return kCodedKeys[static_cast<std::size_t>(CodeOf(key) - 1)].keyNumber; }

}  // namespace kt
