// The panel from the keyboard, through a screen reader and zoomed: every key
// of the key map clicks its panel key, the accessible tree names every
// element, and zooming scales every element exactly.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QKeyEvent>
#include <QMenu>

#include "test_window_support.h"
#include "view/display_widget.h"
#include "view/element_help.h"
#include "view/element_table.h"
#include "view/help_card.h"
#include "view/key_map.h"
#include "view/panel_widgets.h"

namespace kt::test {
namespace {

using view::Element;
using view::Kind;

QString Name(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// A key pressed inside the window: delivered to the widget with the focus,
// as the window system does.
QKeyEvent* KeyPress(const QKeySequence& sequence, bool autoRepeat = false) {
    const QKeyCombination k = sequence[0];
    const QString text = k.keyboardModifiers() == Qt::NoModifier && k.key() < 0x1000000
                             ? QString(QChar(k.key())).toLower()
                             : QString();
    return new QKeyEvent(QEvent::KeyPress, k.key(), k.keyboardModifiers(), text, autoRepeat);
}

void Press(QWidget* target, const QKeySequence& sequence) {
    std::unique_ptr<QKeyEvent> event(KeyPress(sequence));
    QApplication::sendEvent(target, event.get());
}

struct ShownRig : PanelRig {
    ShownRig() {
        window.show();
        window.activateWindow();
        WaitFor([&] { return window.isActiveWindow(); });
    }
    QWidget* Target() { return QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : &window; }
};

TEST(PanelKeyboard, EveryMappedKeySendsWhatItsClickSends) {
    const struct {
        const char* keys;
        const char* sent;
    } cases[] = {
        {"F", "SYST:KEY 1\n"},     {"O", "SYST:KEY 2\n"},     {"T", "SYST:KEY 4\n"},     {"G", "SYST:KEY 5\n"},
        {"U", "SYST:KEY 7\n"},     {"L", "SYST:KEY 8\n"},     {"R", "SYST:KEY 9\n"},     {"M", "SYST:KEY 10\n"},
        {"A", "SYST:KEY 11\n"},    {"S", "SYST:KEY 12\n"},    {"V", "SYST:KEY 13\n"},    {"I", "SYST:KEY 14\n"},
        {"C", "SYST:KEY 15\n"},    {"X", "SYST:KEY 16\n"},    {"B", "SYST:KEY 17\n"},    {"1", "SYST:KEY 19\n"},
        {"2", "SYST:KEY 20\n"},    {"3", "SYST:KEY 21\n"},    {"4", "SYST:KEY 22\n"},    {"Up", "SYST:KEY 25\n"},
        {"Left", "SYST:KEY 26\n"}, {"Right", "SYST:KEY 27\n"}, {"Down", "SYST:KEY 28\n"}, {"+", "SYST:KEY 29\n"},
        {"-", "SYST:KEY 29\n"},    {"Return", "SYST:KEY 30\n"}, {"Enter", "SYST:KEY 30\n"}, {"Ctrl+P", "SYST:LOC\n"},
    };
    ShownRig rig;
    ASSERT_TRUE(rig.Connect());
    std::size_t mapped = 0;
    for (const view::KeyBinding& b : view::KeyMap()) mapped += static_cast<std::size_t>(view::KeySequences(b.keys).size());
    EXPECT_EQ(mapped, std::size(cases));

    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        const std::size_t before = rig.serial.written.size();
        Press(rig.Target(), QKeySequence(QString::fromLatin1(c.keys)));
        ASSERT_EQ(rig.serial.written.size(), before + 1);
        EXPECT_EQ(rig.serial.LastWritten(), c.sent);
    }
}

TEST(PanelKeyboard, EveryKeyToolTipNamesItsKeysAndItsCommand) {
    PanelRig rig;
    for (const view::KeyBinding& b : view::KeyMap()) {
        SCOPED_TRACE(std::string(b.element));
        const QString tip = rig.Key(std::string(b.element).c_str())->toolTip();
        EXPECT_TRUE(tip.startsWith(view::ChineseName(b.element) + QStringLiteral(" — "))) << tip.toStdString();
        EXPECT_EQ(tip.contains(QStringLiteral("Keyboard: ") + Name(b.shown)), !b.shown.empty());
        const std::string command = view::KeyCommand(b.element);
        EXPECT_TRUE(command.empty() || tip.contains(QString::fromStdString(command)));
    }
    EXPECT_EQ(view::KeyCommand("cmdSpeedLow"), "SYST:KEY 22");
}

TEST(PanelKeyboard, DisabledKeysIgnoreTheirKeys) {
    ShownRig rig;  // no answer to the identification: every key but the power key is disabled
    ASSERT_TRUE(WaitFor([&] { return rig.window.formLoaded() && !rig.Find<QTimer>("timPowerOn")->isActive(); }));
    std::size_t before = rig.serial.written.size();
    for (const view::KeyBinding& b : view::KeyMap()) {
        if (b.element == "cmdPower") continue;
        for (const QKeySequence& s : view::KeySequences(b.keys)) Press(rig.Target(), s);
    }
    EXPECT_EQ(rig.serial.written.size(), before);

    ASSERT_TRUE(rig.Connect());
    rig.panel.view.cmdStats.Enabled = false;
    rig.window.SyncFromModel();
    before = rig.serial.written.size();
    Press(rig.Target(), QKeySequence(QStringLiteral("A")));
    EXPECT_EQ(rig.serial.written.size(), before);
}

TEST(PanelKeyboard, QueuedArrowRepeatsEachSendOneCommandInOrder) {
    ShownRig rig;
    ASSERT_TRUE(rig.Connect());
    const QKeySequence arrows[] = {QKeySequence(Qt::Key_Up), QKeySequence(Qt::Key_Right), QKeySequence(Qt::Key_Down),
                                   QKeySequence(Qt::Key_Left)};
    const std::string sent[] = {"SYST:KEY 25\n", "SYST:KEY 27\n", "SYST:KEY 28\n", "SYST:KEY 26\n"};
    rig.serial.written.clear();
    // A held key: the first press, then auto-repeats, all queued before any runs.
    for (int i = 0; i < 200; ++i) QCoreApplication::postEvent(rig.Target(), KeyPress(arrows[i / 50], i % 50 != 0));
    ASSERT_TRUE(WaitFor([&] { return rig.serial.written.size() >= 200; }));
    QCoreApplication::processEvents();
    ASSERT_EQ(rig.serial.written.size(), 200u);
    for (int i = 0; i < 200; ++i) ASSERT_EQ(rig.serial.written[static_cast<std::size_t>(i)], sent[i / 50]) << i;
}

TEST(PanelKeyboard, NoKeyWorksWhileAMenuOfTheMenuBarIsOpen) {
    ShownRig rig;
    ASSERT_TRUE(rig.Connect());
    auto* menu = rig.Find<QMenu>("mnuBaud");
    menu->popup(rig.window.mapToGlobal(QPoint(0, 0)));
    ASSERT_TRUE(WaitFor([&] { return QApplication::activePopupWidget() == menu; }));
    // The arrows and Enter belong to the open menu itself.
    const std::size_t before = rig.serial.written.size();
    for (const char* keys : {"F", "1", "+", "Ctrl+P"}) Press(menu, QKeySequence(QString::fromLatin1(keys)));
    EXPECT_EQ(rig.serial.written.size(), before);
    EXPECT_TRUE(menu->isVisible());
    menu->close();
}

TEST(PanelKeyboard, TabVisitsTheEnabledKeysInPanelOrder) {
    ShownRig rig;
    ASSERT_TRUE(rig.Connect());
    QStringList expected;
    for (const view::KeyBinding& b : view::KeyMap()) {
        if (rig.Key(std::string(b.element).c_str())->isEnabled()) expected << Name(b.element);
    }
    rig.Key("cmdPower")->setFocus(Qt::TabFocusReason);
    QStringList visited{QApplication::focusWidget()->objectName()};
    while (visited.size() < expected.size()) {
        Press(QApplication::focusWidget(), QKeySequence(Qt::Key_Tab));
        visited << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(visited, expected);
}

TEST(PanelKeyboard, F1ShowsTheHelpCardWithoutTakingTheKeyboard) {
    ShownRig rig;
    ASSERT_TRUE(rig.Connect());
    Press(rig.Target(), QKeySequence(Qt::Key_F1));
    ASSERT_NE(rig.window.helpCard(), nullptr);
    EXPECT_TRUE(rig.window.helpCard()->isVisible());
    EXPECT_TRUE(rig.window.isActiveWindow());
    Press(rig.Target(), QKeySequence(QStringLiteral("F")));
    EXPECT_EQ(rig.serial.LastWritten(), "SYST:KEY 1\n");
    Press(rig.Target(), QKeySequence(Qt::Key_Escape));
    EXPECT_FALSE(rig.window.helpCard()->isVisible());
}

QAccessibleInterface* Accessible(PanelRig& rig, const Element& e) {
    return QAccessible::queryAccessibleInterface(rig.window.findChild<QWidget*>(Name(e.name)));
}

TEST(PanelAccessibility, EveryShownElementHasANameAndKeysLampsAndConnectorsATip) {
    PanelRig rig;
    for (const Element& e : view::ElementTable()) {
        if (e.kind == Kind::Window || e.kind == Kind::Timer || e.kind == Kind::HiddenText ||
            e.kind == Kind::MenuItem) {
            continue;
        }
        SCOPED_TRACE(std::string(e.name));
        QAccessibleInterface* a = Accessible(rig, e);
        ASSERT_NE(a, nullptr);
        EXPECT_FALSE(a->text(QAccessible::Name).isEmpty());
        if (e.kind == Kind::Key || e.kind == Kind::Lamp || e.kind == Kind::Image ||
            (e.kind == Kind::Label && e.container == "picDisplay")) {
            EXPECT_FALSE(rig.window.findChild<QWidget*>(Name(e.name))->toolTip().isEmpty());
            EXPECT_FALSE(a->text(QAccessible::Description).isEmpty());
        }
    }
}

TEST(PanelAccessibility, KeysReportTheirStateAndTheDisplayItsReading) {
    PanelRig rig;
    ASSERT_TRUE(rig.Connect());
    QAccessibleInterface* save = Accessible(rig, *view::FindElement("cmdSave"));
    QAccessibleInterface* frequency = Accessible(rig, *view::FindElement("cmdFrequency"));
    EXPECT_TRUE(save->state().disabled);
    EXPECT_FALSE(frequency->state().disabled);
    EXPECT_TRUE(frequency->text(QAccessible::Name).contains(QStringLiteral("Frequency")));
    EXPECT_TRUE(frequency->text(QAccessible::Name).contains(QStringLiteral("频率 频率比")));
    EXPECT_TRUE(frequency->text(QAccessible::Description).endsWith(QStringLiteral("Lamp lit.")));
    EXPECT_TRUE(Accessible(rig, *view::FindElement("cmdTime"))->text(QAccessible::Description).endsWith(
        QStringLiteral("Lamp off.")));

    auto* display = rig.Find<view::DisplayWidget>("txtDisplay");
    QAccessibleInterface* value = QAccessible::queryAccessibleInterface(display);
    rig.serial.Receive("10.000000123MHz\n");
    EXPECT_EQ(value->text(QAccessible::Value), QStringLiteral("10.000000123 MHz"));
    EXPECT_EQ(display->toolTip(), QStringLiteral("10.000000123 MHz"));

    // A stream of readings is announced at most once a second, ending with
    // the latest; a menu text at once.
    const int announced = display->announcements();
    for (const char* line : {"10.000000124MHz\n", "10.000000125MHz\n", "999.99999kHz\n"}) rig.serial.Receive(line);
    EXPECT_EQ(value->text(QAccessible::Value), QStringLiteral("999.99999 kHz"));
    EXPECT_LE(display->announcements(), announced + 1);
    ASSERT_TRUE(WaitFor([&] { return display->announcedText() == QStringLiteral("999.99999 kHz"); }));
    EXPECT_LE(display->announcements(), announced + 2);
    const int beforeMenu = display->announcements();
    rig.Key("cmdFrequency")->click();
    EXPECT_EQ(display->announcements(), beforeMenu + 1);
    EXPECT_EQ(value->text(QAccessible::Value), QStringLiteral("FREQUENCY 1"));
}

TEST(PanelZoom, At200PercentEveryElementIsExactlyTwiceItsSizeAndBackAt100) {
    PanelRig rig;
    ASSERT_TRUE(rig.Connect());  // the identified title is longer than the design text
    std::vector<std::pair<QWidget*, QRect>> designed;
    for (const Element& e : view::ElementTable()) {
        if (e.kind == Kind::Window || e.kind == Kind::Timer || e.kind == Kind::HiddenText || e.kind == Kind::Menu ||
            e.kind == Kind::MenuItem) {
            continue;
        }
        auto* widget = rig.window.findChild<QWidget*>(Name(e.name));
        designed.emplace_back(widget, widget->geometry());
    }
    const QSize client = rig.window.centralWidget()->size();

    rig.window.SetZoom(200);
    EXPECT_EQ(rig.window.centralWidget()->size(), client * 2);
    for (const auto& [widget, box] : designed) {
        EXPECT_EQ(widget->geometry(), QRect(box.topLeft() * 2, box.size() * 2)) << widget->objectName().toStdString();
    }
    EXPECT_EQ(rig.Key("cmdEnter")->font().pointSizeF(), 15.0);

    rig.window.SetZoom(100);
    EXPECT_EQ(rig.window.centralWidget()->size(), client);
    for (const auto& [widget, box] : designed) EXPECT_EQ(widget->geometry(), box) << widget->objectName().toStdString();
}

// Each picture is shown from the smallest of its sets that covers its box.
TEST(PanelZoom, PicturesComeFromTheSetThatCoversTheirZoomedBox) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QDir folder(dir.path());
    for (const auto& [suffix, side] : {std::pair{"", 32}, {"@2x", 64}, {"@3x", 96}}) {
        QImage image(side, side, QImage::Format_RGB32);
        image.fill(Qt::red);
        ASSERT_TRUE(image.save(folder.filePath(QStringLiteral("kt%1.jpg").arg(QLatin1String(suffix))), "JPEG"));
        ASSERT_TRUE(image.save(folder.filePath(QStringLiteral("ArwUp%1.ico").arg(QLatin1String(suffix))), "ICO"));
    }
    PanelRig rig;
    rig.panel.appPath = dir.path().toStdString();
    rig.window.RunFormLoad();
    rig.window.show();  // a hidden window resizes its pictures when shown
    auto* logo = rig.Find<view::ImageBox>("imgKT");  // 25 x 17 at 100 %
    auto* up = rig.Key("cmdUp");
    const struct {
        int percent;
        const char* logoFile;
    } cases[] = {{100, "kt.jpg"}, {200, "kt@2x.jpg"}, {300, "kt@3x.jpg"}, {125, "kt.jpg"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.percent);
        rig.window.SetZoom(c.percent);
        EXPECT_EQ(QFileInfo(logo->shownFile()).fileName(), QLatin1String(c.logoFile));
        EXPECT_EQ(up->icon().pixmap(up->iconSize()).size(), up->iconSize());  // never drawn smaller than its room
    }
}

TEST(PanelZoom, ZoomStepsThroughTheFixedScalesFromTheKeyboard) {
    ShownRig rig;
    const struct {
        const char* keys;
        int percent;
    } steps[] = {{"Ctrl+=", 125}, {"Ctrl+=", 150}, {"Ctrl+=", 200}, {"Ctrl+=", 300}, {"Ctrl+=", 300},
                 {"Ctrl+-", 200}, {"Ctrl+0", 100}, {"Ctrl+-", 100}};
    for (const auto& s : steps) {
        Press(rig.Target(), QKeySequence(QString::fromLatin1(s.keys)));
        EXPECT_EQ(rig.window.zoomPercent(), s.percent) << s.keys;
    }
    EXPECT_TRUE(rig.Find<QAction>("mnuZoom100")->isChecked());
    EXPECT_EQ(rig.window.DataMenu(), rig.Find<QMenu>("mnuData"));
}

}  // namespace
}  // namespace kt::test
