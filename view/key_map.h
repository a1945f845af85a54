// The keyboard map of the panel: which keyboard keys press which front-panel
// key, and the window's own keyboard commands. Fixed, shown in each key's tool
// tip and on the help card, and documented in the README.
#pragma once

#include <span>
#include <string_view>

#include <QKeySequence>
#include <QList>

namespace kt::view {

struct KeyBinding {
    std::string_view element;  // the front-panel key
    // Keyboard keys in Qt's portable notation, alternatives separated by "; ".
    // Empty for the keys the soft panel never enables.
    std::string_view keys;
    std::string_view shown;    // how the tool tip and the help card write them
};

// Every front-panel key, in panel order: the order Tab moves the focus in.
std::span<const KeyBinding> KeyMap();

// The binding of that key, or nullptr.
const KeyBinding* FindKeyBinding(std::string_view element);

QList<QKeySequence> KeySequences(std::string_view keys);

// The window's own commands.
inline constexpr std::string_view kHelpKeys = "F1";
inline constexpr std::string_view kCloseHelpKeys = "Esc";
inline constexpr std::string_view kZoomInKeys = "Ctrl+=; Ctrl++";
inline constexpr std::string_view kZoomOutKeys = "Ctrl+-";
inline constexpr std::string_view kZoomResetKeys = "Ctrl+0";

// The zoom steps of the window, in per cent; 100 is the panel's design size.
inline constexpr int kZoomSteps[] = {100, 125, 150, 200, 300};

}  // namespace kt::view
