// What each element of the panel is, in the user's words: its Chinese name as
// the panel writes it, an English name and what it does. Written once as data
// beside the element table; the tool tips, the accessible names and
// descriptions and the help card are composed from it.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include <QString>

namespace kt::view {

struct ElementHelp {
    std::string_view name;
    std::string_view english;
    std::string_view does;     // what it does or shows
    // The element whose caption is this one's Chinese name (a key drawn
    // without a caption names its legend, a lamp its key); empty: its own.
    std::string_view from = {};
    std::string_view chinese = {};  // the Chinese name where no element writes one
};

std::span<const ElementHelp> HelpTable();
const ElementHelp* FindHelp(std::string_view element);

// The Chinese name of an element, as written on the panel ("频率 频率比").
QString ChineseName(std::string_view element);

// The command a front-panel key sends, "SYST:KEY 1"; empty for keys that send
// no key command.
std::string KeyCommand(std::string_view element);

// "频率 频率比 — Frequency / ratio: opens ...; sends SYST:KEY 1", with the
// keyboard keys that press it on a second line.
QString ToolTipText(std::string_view element);

// Accessible name (English and Chinese) and description (what it does, its
// command and keyboard keys).
QString AccessibleNameText(std::string_view element);
QString AccessibleDescriptionText(std::string_view element);

// What the display shows, in words: a reading with its prefix and unit
// ("10.000000123 MHz"), or the menu text or message without its padding.
QString DisplayInWords(const std::string& text, const std::string& prefix, const std::string& unit);

}  // namespace kt::view
