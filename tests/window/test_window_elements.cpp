// Every element of the panel window: it exists under its name, stands at its
// place, looks as designed before the first event, and shows what the element
// model says.
#include <map>
#include <set>
#include <string_view>
#include <string>

#include <gtest/gtest.h>

#include <QAction>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include "test_window_support.h"
#include "view/display_widget.h"
#include "view/element_table.h"
#include "view/panel_widgets.h"

namespace kt::test {
namespace {

using view::Element;
using view::Kind;

QString Name(const Element& e) { return QString::fromUtf8(e.name.data(), static_cast<qsizetype>(e.name.size())); }

// The places of the panel's elements in twips (left, top, width, height in
// their container), typed from the panel's layout independently of the
// element table. Lamps and key legends, placed by rule beside their keys,
// are checked against the table.
const std::map<std::string_view, view::TwipsRect>& LayoutTwips() {
    static const std::map<std::string_view, view::TwipsRect> places = {
        {"fraMeasure", {1200, 2160, 2655, 1883}}, {"fraLimits", {3840, 2160, 1335, 1883}},
        {"fraMath", {5160, 2160, 1335, 1883}}, {"fraChannel1", {6600, 2160, 2655, 2655}},
        {"fraArrow", {9000, -120, 1575, 2175}}, {"fraMeasSpeed", {9360, 2160, 1215, 2655}},
        {"fraChannel3", {10680, 0, 1575, 2055}}, {"fraChannel2", {10680, 2160, 1575, 2055}},
        {"txtDisplay", {960, 600, 6855, 855}}, {"lblTitle", {600, 120, 7695, 255}}, {"imgKT", {120, 120, 375, 255}},
        {"lblPosExp", {7920, 720, 165, 270}}, {"lblNegExp", {7980, 960, 105, 270}},
        {"lblFreqUnit", {8115, 720, 255, 255}}, {"lblTimeUnit", {8115, 960, 135, 255}},
        {"lblAvg", {480, 1200, 375, 375}}, {"lblGate", {7920, 1200, 615, 255}}, {"lblRemote", {480, 1560, 375, 255}},
        {"lblPeriod", {1080, 1560, 615, 255}}, {"lblFreq", {1800, 1560, 375, 255}},
        {"lblPwid", {2400, 1560, 495, 255}}, {"lblNwid", {3000, 1560, 495, 255}}, {"lblRise", {3600, 1560, 375, 255}},
        {"lblFall", {4200, 1560, 375, 255}}, {"lblTime", {4800, 1560, 495, 255}}, {"lblCh1", {5400, 1560, 375, 255}},
        {"lblCh2", {6000, 1560, 375, 255}}, {"lblCh3", {6600, 1560, 375, 255}}, {"lblLimit", {7200, 1560, 540, 255}},
        {"cmdPower", {240, 4080, 735, 375}}, {"cmdUtility", {1680, 4200, 735, 495}},
        {"cmdSave", {3000, 4200, 735, 495}}, {"cmdRun", {4320, 4200, 735, 495}}, {"cmdStop", {5640, 4200, 735, 495}},
        {"cmdKeyLock", {10800, 4320, 255, 255}}, {"cmdFrequency", {480, 360, 735, 495}},
        {"cmdTime", {1800, 360, 735, 495}}, {"cmdOther", {480, 1200, 735, 495}}, {"cmdArm", {1800, 1200, 735, 495}},
        {"cmdUpper", {480, 360, 735, 495}}, {"cmdLimitMode", {480, 1200, 735, 495}},
        {"cmdScale", {480, 360, 735, 495}}, {"cmdStats", {480, 1200, 735, 495}}, {"cmdCh1Trig", {240, 360, 255, 255}},
        {"cmdCh1Imp", {240, 960, 255, 255}}, {"cmdCh1Coup", {240, 1560, 255, 255}},
        {"cmdCh1Att", {240, 2160, 255, 255}}, {"cmdCh1Filt", {1320, 2160, 255, 255}},
        {"cmdSpeedHigh", {240, 360, 255, 255}}, {"cmdSpeedFast", {240, 960, 255, 255}},
        {"cmdSpeedMiddle", {240, 1560, 255, 255}}, {"cmdSpeedLow", {240, 2160, 255, 255}},
        {"cmdUp", {600, 240, 375, 375}}, {"cmdLeft", {120, 720, 375, 375}}, {"cmdRight", {1080, 720, 375, 375}},
        {"cmdDown", {600, 1200, 375, 375}}, {"cmdSign", {120, 1680, 375, 375}}, {"cmdEnter", {1080, 1680, 375, 375}},
        {"lblKeyLock", {11160, 4320, 600, 150}}, {"lblLocal", {1920, 4740, 375, 255}},
        {"lblPrint", {3240, 4740, 375, 255}},
    };
    return places;
}

QRect DesignBox(const Element& e) {
    const auto& layout = LayoutTwips();
    const auto typed = layout.find(e.name);
    const view::TwipsRect r = typed != layout.end() ? typed->second : e.rect;
    return QRect(view::TwipsToPixels(r.left), view::TwipsToPixels(r.top), view::TwipsToPixels(r.width),
                 view::TwipsToPixels(r.height));
}

TEST(PanelWindow, EveryPlaceOfTheLayoutHasItsElement) {
    for (const auto& [name, r] : LayoutTwips()) EXPECT_NE(view::FindElement(name), nullptr) << name;
}

TEST(ElementTable, NamesAreUniqueAndContainersComeFirst) {
    std::set<std::string_view> seen;
    for (const Element& e : view::ElementTable()) {
        EXPECT_TRUE(seen.insert(e.name).second) << "twice: " << e.name;
        if (!e.container.empty()) {
            EXPECT_TRUE(seen.count(e.container)) << e.name << " before " << e.container;
        }
    }
}

TEST(ElementTable, KeysWithoutClickActionAreExactlyTheAlwaysDisabledOnes) {
    std::set<std::string_view> silent;
    for (const Element& e : view::ElementTable()) {
        if (e.kind == Kind::Key && e.click == nullptr) silent.insert(e.name);
    }
    EXPECT_EQ(silent, (std::set<std::string_view>{"cmdKeyLock", "cmdSave", "cmdUtility"}));
}

TEST(ElementTable, EveryLampIsOneSizeAndEveryMenuHasItsItems) {
    int items[5] = {};
    for (const Element& e : view::ElementTable()) {
        if (e.kind == Kind::Lamp) {
            EXPECT_EQ(e.rect.width, view::kLampTwips) << e.name;
            EXPECT_EQ(e.rect.height, view::kLampTwips) << e.name;
        }
        if (e.kind == Kind::MenuItem) {
            const Element* menu = view::FindElement(e.container);
            ASSERT_NE(menu, nullptr) << e.name;
            EXPECT_EQ(menu->kind, Kind::Menu);
            EXPECT_EQ(e.item, items[static_cast<int>(e.menu)]++) << e.name << " out of menu order";
        }
    }
    EXPECT_EQ(items[0], 5);
    EXPECT_EQ(items[1], 5);
    EXPECT_EQ(items[2], 3);
    EXPECT_EQ(items[3], 2);
    EXPECT_EQ(items[4], 3);
}

TEST(PanelWindow, EveryElementExistsUnderItsNameAtItsPlace) {
    PanelRig rig;
    for (const Element& e : view::ElementTable()) {
        SCOPED_TRACE(std::string(e.name));
        const QString name = Name(e);
        switch (e.kind) {
            case Kind::Window:
                EXPECT_EQ(rig.window.objectName(), name);
                EXPECT_EQ(rig.window.centralWidget()->width(), view::TwipsToPixels(e.rect.width));
                EXPECT_GE(rig.window.centralWidget()->height(), view::TwipsToPixels(e.rect.height));
                break;
            case Kind::Timer:
                EXPECT_NE(rig.window.findChild<QTimer*>(name), nullptr);
                break;
            case Kind::Menu:
                EXPECT_NE(rig.window.findChild<QMenu*>(name), nullptr);
                break;
            case Kind::MenuItem: {
                auto* item = rig.window.findChild<QAction*>(name);
                ASSERT_NE(item, nullptr);
                EXPECT_TRUE(item->isCheckable());
                EXPECT_EQ(item->text(), QString::fromUtf8(e.caption.data(), static_cast<qsizetype>(e.caption.size())));
                auto* menu = rig.window.findChild<QMenu*>(
                    QString::fromUtf8(e.container.data(), static_cast<qsizetype>(e.container.size())));
                ASSERT_NE(menu, nullptr);
                EXPECT_TRUE(menu->actions().contains(item));
                break;
            }
            case Kind::HiddenText:
                // The receive buffers live in the element model alone.
                EXPECT_EQ(rig.window.findChild<QObject*>(name), nullptr);
                break;
            case Kind::Label: {
                auto* label = rig.window.findChild<QLabel*>(name);
                ASSERT_NE(label, nullptr);
                // Labels keep their place and grow, never shrink, to fit their text.
                EXPECT_EQ(label->pos(), DesignBox(e).topLeft());
                EXPECT_GE(label->width(), DesignBox(e).width());
                EXPECT_GE(label->height(), DesignBox(e).height());
                break;
            }
            default: {
                auto* widget = rig.window.findChild<QWidget*>(name);
                ASSERT_NE(widget, nullptr);
                EXPECT_EQ(widget->geometry(), DesignBox(e));
                const QString container = e.container.empty()
                                              ? rig.window.centralWidget()->objectName()
                                              : QString::fromUtf8(e.container.data(),
                                                                  static_cast<qsizetype>(e.container.size()));
                EXPECT_EQ(widget->parentWidget()->objectName(), container);
            }
        }
    }
}

TEST(PanelWindow, LooksAsDesignedBeforeTheFirstEvent) {
    PanelRig rig;
    EXPECT_EQ(rig.window.windowTitle(), QStringLiteral("KT46290软面板（RS232C串行接口）"));
    EXPECT_EQ(rig.Find<QLabel>("lblTitle")->text(), QStringLiteral("KT46290型高精度频率计（Frequency Counter）"));
    EXPECT_EQ(rig.Find<view::DisplayWidget>("txtDisplay")->text(), QStringLiteral("0 "));
    EXPECT_EQ(rig.Find<QGroupBox>("fraMeasure")->title(), QStringLiteral("测量"));
    EXPECT_EQ(rig.Find<QLabel>("lblCh1Imp")->text(), QStringLiteral("1MΩ50Ω"));
    EXPECT_TRUE(rig.Find<QAction>("mnuPortComm1")->isChecked());
    EXPECT_TRUE(rig.Find<QAction>("mnuBaud9600")->isChecked());
    EXPECT_FALSE(rig.Find<QAction>("mnuBaud4800")->isChecked());
    EXPECT_TRUE(rig.Find<QAction>("mnuDTRHigh")->isChecked());

    for (const Element& e : view::ElementTable()) {
        SCOPED_TRACE(std::string(e.name));
        if (e.kind == Kind::Key) {
            EXPECT_EQ(rig.window.findChild<QPushButton*>(Name(e))->isEnabled(), e.name == "cmdPower");
        } else if (e.kind == Kind::Lamp) {
            EXPECT_EQ(rig.window.findChild<view::LampWidget*>(Name(e))->color(), QColor(128, 128, 128));
        } else if (e.kind == Kind::Label && e.container == "picDisplay") {
            EXPECT_FALSE(rig.window.findChild<QLabel*>(Name(e))->isHidden());
        }
    }
    EXPECT_FALSE(rig.window.formLoaded());
    EXPECT_TRUE(rig.serial.written.empty());
}

// A window closed before its start-up has run never connects afterwards: the
// start-up scheduled by showing it must not open the port of a closed panel.
TEST(PanelWindow, ClosedBeforeStartUpNeverOpensThePort) {
    PanelRig rig;
    rig.window.show();
    rig.window.close();
    WaitFor([] { return false; }, 50);
    EXPECT_FALSE(rig.window.formLoaded());
    EXPECT_FALSE(rig.serial.PortOpen());
    EXPECT_TRUE(rig.serial.written.empty());
    EXPECT_FALSE(rig.Find<QTimer>("timSystemClk")->isActive());
}

TEST(PanelWindow, KeyLegendsAreDrawnOnTwoLinesWhileTheModelKeepsTheBlank) {
    PanelRig rig;
    EXPECT_EQ(rig.Key("cmdFrequency")->text(), QStringLiteral("频率\n频率比"));
    EXPECT_EQ(rig.panel.view.cmdFrequency.Caption, "频率 频率比");
    EXPECT_EQ(rig.Key("cmdRun")->text(), QStringLiteral("运行"));
    EXPECT_EQ(rig.Key("cmdSign")->text(), QStringLiteral("+/-"));
}

TEST(PanelWindow, FontsResolveToInstalledFamiliesWithChineseGlyphs) {
    PanelRig rig;
    const struct {
        const char* element;
        const char* family;
    } cases[] = {
        {"txtDisplay", "Liberation Sans"},   {"lblTitle", "Noto Sans CJK SC"}, {"lblFreq", "Liberation Serif"},
        {"lblTrig", "Noto Serif CJK SC"},    {"cmdEnter", "Noto Serif CJK SC"}, {"cmdFrequency", "Noto Serif CJK SC"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.element);
        auto* widget = rig.Find<QWidget>(c.element);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(QFontInfo(widget->font()).family(), QString::fromLatin1(c.family));
    }
    const QFont display = rig.Find<QWidget>("txtDisplay")->font();
    EXPECT_EQ(display.pointSizeF(), 42.0);
    EXPECT_EQ(display.weight(), QFont::Bold);
    EXPECT_EQ(rig.Find<QWidget>("cmdEnter")->font().pointSizeF(), 7.5);
}

// Changes every model-bound element and checks that its widget follows.
TEST(PanelWindow, EveryModelElementIsShownOnItsWidget) {
    PanelRig rig;
    PanelView& v = rig.panel.view;
    int n = 0;
    for (const Element& e : view::ElementTable()) {
        ++n;
        if (const auto* m = std::get_if<Label PanelView::*>(&e.model)) {
            (v.**m).Caption = "x" + std::to_string(n);
            (v.**m).Visible = !(v.**m).Visible;
        } else if (const auto* m = std::get_if<CommandButton PanelView::*>(&e.model)) {
            (v.**m).Enabled = !(v.**m).Enabled;
            (v.**m).Caption = "k " + std::to_string(n);
        } else if (const auto* m = std::get_if<Lamp PanelView::*>(&e.model)) {
            (v.**m).BackColor = Rgb(static_cast<unsigned>(n), 255, 0);
        } else if (const auto* m = std::get_if<MenuItem PanelView::*>(&e.model)) {
            (v.**m).Checked = !(v.**m).Checked;
        }
    }
    v.frmSoftPanel.Caption = "KT46290A  -3GHz";
    rig.window.SyncFromModel();

    n = 0;
    EXPECT_EQ(rig.window.windowTitle(), QStringLiteral("KT46290A  -3GHz"));
    for (const Element& e : view::ElementTable()) {
        ++n;
        SCOPED_TRACE(std::string(e.name));
        const QString name = Name(e);
        if (const auto* m = std::get_if<Label PanelView::*>(&e.model)) {
            auto* label = rig.window.findChild<QLabel*>(name);
            EXPECT_EQ(label->text(), QStringLiteral("x%1").arg(n));
            EXPECT_EQ(label->isHidden(), !(v.**m).Visible);
        } else if (const auto* m = std::get_if<CommandButton PanelView::*>(&e.model)) {
            auto* key = rig.window.findChild<QPushButton*>(name);
            EXPECT_EQ(key->isEnabled(), (v.**m).Enabled);
            EXPECT_EQ(key->text(), QStringLiteral("k\n%1").arg(n));
        } else if (std::get_if<Lamp PanelView::*>(&e.model)) {
            EXPECT_EQ(rig.window.findChild<view::LampWidget*>(name)->color(), QColor(n, 255, 0));
        } else if (const auto* m = std::get_if<MenuItem PanelView::*>(&e.model)) {
            EXPECT_EQ(rig.window.findChild<QAction*>(name)->isChecked(), (v.**m).Checked);
        }
    }
}

}  // namespace
}  // namespace kt::test
