// The elements of the front-panel window as data: name, kind, container,
// caption, place in twips and font, and, where the panel logic knows the
// element, the member of the element model it mirrors and the event procedure
// its click runs. The window builder and the window tests walk this one table.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <variant>

#include "core/panel_view.h"
#include "core/soft_panel.h"

namespace kt::view {

// 15 twips make one pixel at 96 dots per inch.
constexpr int kTwipsPerPixel = 15;
constexpr int TwipsToPixels(int twips) {
    return twips >= 0 ? (twips + kTwipsPerPixel / 2) / kTwipsPerPixel
                      : -((-twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}

// The panel's client area below the menu bar, and the message line below it.
constexpr int kPanelWidthTwips = 12390;
constexpr int kPanelHeightTwips = 5040;
constexpr int kMessageLineTwips = 330;

// Lamps are circles of one size.
constexpr int kLampTwips = 135;

enum class Kind {
    Window,       // the main window itself (caption)
    DisplayArea,  // the black picture box that holds the display
    Display,      // the value line
    Frame,        // a group with a caption on its border
    Label,
    Key,
    Lamp,
    Image,
    HiddenText,   // text boxes that are never shown (receive buffers)
    Timer,
    Menu,         // a menu of the menu bar
    MenuItem,
};

enum class FontRole {
    Default,      // the window's font: SimSun 9 pt
    Display,      // Arial 42 pt bold
    Title,        // SimHei 10.5 pt
    Annunciator,  // Times New Roman 10.5 pt
    Small,        // SimSun 7.5 pt: small key captions and key legends
};

// How a label is coloured: as the window's text, or as part of the display
// (display colours; the title in white; the limit annunciator inverted).
enum class Look {
    Window,
    Display,
    DisplayTitle,
    DisplayInverse,
};

struct TwipsRect {
    int left = 0, top = 0, width = 0, height = 0;
};

// The member of the element model an element mirrors.
using ModelRef = std::variant<std::monostate,
                              Window PanelView::*,
                              Label PanelView::*,
                              CommandButton PanelView::*,
                              Lamp PanelView::*,
                              Image PanelView::*,
                              TextBox PanelView::*,
                              Timer PanelView::*,
                              MenuItem PanelView::*>;

using ClickHandler = void (SoftPanel::*)();

struct Element {
    std::string_view name;
    Kind kind = Kind::Label;
    std::string_view container;  // empty: the window (or, for menus, the menu bar)
    std::string_view caption;    // design-time caption (UTF-8)
    TwipsRect rect;
    FontRole font = FontRole::Default;
    ModelRef model;
    ClickHandler click = nullptr;              // keys: the click; timers: the tick
    Look look = Look::Window;                  // labels
    bool oneShot = false;                      // timers: stops after one tick
    SerialMenu menu = SerialMenu::Port;        // menu items: their menu
    int16_t item = 0;                          //   and their place in it
};

// Every element of the window, containers before what they hold.
std::span<const Element> ElementTable();

// The element of that name, or nullptr.
const Element* FindElement(std::string_view name);

}  // namespace kt::view
