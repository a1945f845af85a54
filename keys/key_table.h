// The coded front-panel keys: for each key its key-action code, the key number
// the counter knows it by, and the panel's local action for it.
//
// Two numberings, both fixed by the counter and by the panel, and never mixed:
// - the key-action code (1..19) names a key's local action; a deferred key is
//   stored under it in deferKeyCode and run again by RunKeyAction;
// - the key number is what "SYST:KEY " carries to the counter, and what the
//   local actions record in lastKey.
// Key numbers 3, 6, 18, 23 and 24 belong to no key of the panel. The arrow,
// sign and Enter keys (25 to 30) have no code: they act on the display and send
// their own command.
#pragma once

#include <array>
#include <cstdint>

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

// Indexed by code - 1.
inline constexpr std::array<CodedKey, 19> kCodedKeys{{
    {KeyAction::Frequency, 1, &SoftPanel::ApplyFrequencyKey, "cmdFrequency"},
    {KeyAction::Time, 4, &SoftPanel::ApplyTimeKey, "cmdTime"},
    {KeyAction::Other, 2, &SoftPanel::ApplyOtherKey, "cmdOther"},
    {KeyAction::Arm, 5, &SoftPanel::ApplyArmKey, "cmdArm"},
    {KeyAction::Upper, 7, &SoftPanel::ApplyUpperKey, "cmdUpper"},
    {KeyAction::LimitMode, 8, &SoftPanel::ApplyLimitModeKey, "cmdLimitMode"},
    {KeyAction::Scale, 10, &SoftPanel::ApplyScaleKey, "cmdScale"},
    {KeyAction::Stats, 11, &SoftPanel::ApplyStatsKey, "cmdStats"},
    {KeyAction::Run, 9, &SoftPanel::ApplyRunKey, "cmdRun"},
    {KeyAction::Stop, 12, &SoftPanel::ApplyStopKey, "cmdStop"},
    {KeyAction::Ch1Trig, 13, &SoftPanel::ApplyCh1TrigKey, "cmdCh1Trig"},
    {KeyAction::Ch1Imp, 14, &SoftPanel::ApplyCh1ImpKey, "cmdCh1Imp"},
    {KeyAction::Ch1Coup, 15, &SoftPanel::ApplyCh1CoupKey, "cmdCh1Coup"},
    {KeyAction::Ch1Att, 16, &SoftPanel::ApplyCh1AttKey, "cmdCh1Att"},
    {KeyAction::Ch1Filt, 17, &SoftPanel::ApplyCh1FiltKey, "cmdCh1Filt"},
    {KeyAction::SpeedHigh, 19, &SoftPanel::ApplySpeedHighKey, "cmdSpeedHigh"},
    {KeyAction::SpeedFast, 20, &SoftPanel::ApplySpeedFastKey, "cmdSpeedFast"},
    {KeyAction::SpeedMiddle, 21, &SoftPanel::ApplySpeedMiddleKey, "cmdSpeedMiddle"},
    {KeyAction::SpeedLow, 22, &SoftPanel::ApplySpeedLowKey, "cmdSpeedLow"},
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
