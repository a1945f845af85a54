#include "view/key_map.h"

#include <array>

namespace kt::view {
namespace {

// Letters follow the English name of the key (F Frequency, T Time, G Gate,
// R Run, S Stop, ...); the speed keys are numbered top to bottom.
constexpr auto kKeyMap = std::to_array<KeyBinding>({
    {"cmdPower", "Ctrl+P", "Ctrl+P"},
    {"cmdFrequency", "F", "F"},
    {"cmdTime", "T", "T"},
    {"cmdOther", "O", "O"},
    {"cmdArm", "G", "G"},
    {"cmdUtility", "", ""},
    {"cmdSave", "", ""},
    {"cmdUpper", "U", "U"},
    {"cmdLimitMode", "L", "L"},
    {"cmdRun", "R", "R"},
    {"cmdScale", "M", "M"},
    {"cmdStats", "A", "A"},
    {"cmdStop", "S", "S"},
    {"cmdCh1Trig", "V", "V"},
    {"cmdCh1Imp", "I", "I"},
    {"cmdCh1Coup", "C", "C"},
    {"cmdCh1Att", "X", "X"},
    {"cmdCh1Filt", "B", "B"},
    {"cmdUp", "Up", "↑"},
    {"cmdLeft", "Left", "←"},
    {"cmdRight", "Right", "→"},
    {"cmdDown", "Down", "↓"},
    {"cmdSign", "+; -", "+ or -"},
    {"cmdEnter", "Return; Enter", "Enter"},
    {"cmdSpeedHigh", "1", "1"},
    {"cmdSpeedFast", "2", "2"},
    {"cmdSpeedMiddle", "3", "3"},
    {"cmdSpeedLow", "4", "4"},
    {"cmdKeyLock", "", ""},
});

}  // namespace

std::span<const KeyBinding> KeyMap() { return kKeyMap; }

const KeyBinding* FindKeyBinding(std::string_view element) {
    for (const KeyBinding& b : kKeyMap) {
        if (b.element == element) return &b;
    }
    return nullptr;
}

QList<QKeySequence> KeySequences(std::string_view keys) {
    if (keys.empty()) return {};
    return QKeySequence::listFromString(
        QString::fromUtf8(keys.data(), static_cast<qsizetype>(keys.size())), QKeySequence::PortableText);
}

}  // namespace kt::view
