#include "view/frm_soft_panel.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QShowEvent>
#include <QTimer>

#include "view/display_widget.h"
#include "view/element_help.h"
#include "view/element_table.h"
#include "view/fonts.h"
#include "view/help_card.h"
#include "view/key_map.h"
#include "view/panel_widgets.h"
#include "view/utf8.h"

namespace kt {
namespace {

using view::Element;
using view::Kind;
using view::TwipsToPixels;

QString Latin1(const std::string& s) { return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())); }

QRect PixelRect(const view::TwipsRect& r) {
    return QRect(TwipsToPixels(r.left), TwipsToPixels(r.top), TwipsToPixels(r.width), TwipsToPixels(r.height));
}

// A rectangle at a zoom: its edges are scaled, so neighbouring elements stay
// neighbours, and at 200 % every box is exactly twice its design box.
QRect ZoomRect(const QRect& r, int percent) {
    const auto z = [percent](int v) { return static_cast<int>(std::lround(v * percent / 100.0)); };
    const int left = z(r.x());
    const int top = z(r.y());
    return QRect(left, top, z(r.x() + r.width()) - left, z(r.y() + r.height()) - top);
}

QColor ToQColor(Color c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// A key's two legends are stored with one blank between them and drawn on two lines.
QString KeyCaption(const std::string& caption) { return Utf8(caption).replace(QLatin1Char(' '), QLatin1Char('\n')); }

void SetColors(QWidget* w, const QColor& text, const QColor& back) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, text);
    pal.setColor(QPalette::Window, back);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

// A label is never smaller than its text: the design boxes of a few legends
// are narrower than one line of their font.
void FitLabel(QLabel* label, const QRect& designBox) {
    const QSize hint = label->sizeHint();
    label->setGeometry(designBox.x(), designBox.y(), std::max(designBox.width(), hint.width()),
                       std::max(designBox.height(), hint.height()));
}

const QColor& kDisplayText = view::DisplayWidget::kTextColor;
const QColor& kDisplayBack = view::DisplayWidget::kBackColor;
constexpr QColor kTitleText(255, 255, 255);

}  // namespace

frmSoftPanel::frmSoftPanel(SoftPanel& panel, QWidget* parent)
    : QMainWindow(parent), panel_(panel), shown_(panel.view) {
    setObjectName(QStringLiteral("frmSoftPanel"));
    Build();
    BuildKeyboardAndHelp();
    BuildZoomMenu();
    Apply(true);

    const QString icon = Utf8(panel_.appPath) + QStringLiteral("/kt46290-panel.png");
    if (!panel_.appPath.empty() && QFile::exists(icon)) setWindowIcon(QIcon(icon));

    panel_.mscSoftPanel.OnComm = [this] { Event([this] { panel_.mscSoftPanel_OnComm(); }); };
    panel_.mscSoftPanel.OnFault = [this](SerialFault fault, const std::string& text) {
        Event([this, fault, &text] { panel_.mscSoftPanel_OnFault(fault, text); });
    };
}

frmSoftPanel::~frmSoftPanel() {
    panel_.mscSoftPanel.OnComm = nullptr;
    panel_.mscSoftPanel.OnFault = nullptr;
}

template <typename F>
void frmSoftPanel::Event(F&& procedure) {
    procedure();
    SyncFromModel();
}

QWidget* frmSoftPanel::Container(std::string_view name) const {
    QWidget* container = name.empty() ? nullptr : Widget(name);
    return container != nullptr ? container : centralWidget();
}

void frmSoftPanel::Build() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("panelClient"));
    client->setFont(view::PanelFont(view::FontRole::Default));
    client->setFixedSize(TwipsToPixels(view::kPanelWidthTwips),
                         TwipsToPixels(view::kPanelHeightTwips + view::kMessageLineTwips));
    setCentralWidget(client);
    menuBar()->setFont(view::PanelFont(view::FontRole::Default));

    const auto table = view::ElementTable();
    objects_.assign(table.size(), nullptr);
    std::vector<std::pair<std::string_view, QMenu*>> menus;

    for (std::size_t i = 0; i < table.size(); ++i) {
        const Element& e = table[i];
        const QString name = Utf8(e.name);
        const QString caption = Utf8(e.caption);
        QWidget* parent = Container(e.container);
        const QRect box = PixelRect(e.rect);
        QObject* object = nullptr;

        switch (e.kind) {
            case Kind::Window:
                setWindowTitle(caption);
                object = this;
                break;
            case Kind::DisplayArea: {
                auto* area = new QFrame(parent);
                area->setFrameShape(QFrame::NoFrame);
                SetColors(area, kDisplayText, kDisplayBack);
                area->setGeometry(box);
                object = area;
                break;
            }
            case Kind::Display: {
                auto* display = new view::DisplayWidget(parent);
                display->setFont(view::PanelFont(e.font));
                display->setGeometry(box);
                display->setText(caption);
                object = display;
                break;
            }
            case Kind::Frame: {
                auto* frame = new QGroupBox(caption, parent);
                frame->setGeometry(box);
                object = frame;
                break;
            }
            case Kind::Label: {
                auto* label = new QLabel(caption, parent);
                label->setFont(view::PanelFont(e.font));
                label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
                switch (e.look) {
                    case view::Look::Display:
                        SetColors(label, kDisplayText, kDisplayBack);
                        break;
                    case view::Look::DisplayTitle:
                        SetColors(label, kTitleText, kDisplayBack);
                        break;
                    case view::Look::DisplayInverse:
                        SetColors(label, kDisplayBack, kDisplayText);
                        break;
                    case view::Look::Window:
                        break;
                }
                FitLabel(label, box);
                object = label;
                break;
            }
            case Kind::Key: {
                auto* key = new view::KeyButton(parent);
                key->setFont(view::PanelFont(e.font));
                key->setGeometry(box);
                key->setText(KeyCaption(std::string(e.caption)));
                if (e.click != nullptr) {
                    // The entry lives in the static element table; the handler is
                    // read from it at each click.
                    const Element* entry = &e;
                    connect(key, &QPushButton::clicked, this,
                            [this, entry] { Event([this, entry] { std::invoke(entry->click, panel_); }); });
                }
                object = key;
                break;
            }
            case Kind::Lamp: {
                auto* lamp = new view::LampWidget(parent);
                lamp->setGeometry(box);
                object = lamp;
                break;
            }
            case Kind::Image: {
                auto* image = new view::ImageBox(parent);
                image->setGeometry(box);
                object = image;
                break;
            }
            case Kind::HiddenText:
                // The receive buffers are never shown: they live in the
                // element model alone (bounded there), with no widget to
                // keep up at every receive event.
                break;
            case Kind::Timer: {
                auto* timer = new QTimer(this);
                object = timer;
                timer->setSingleShot(e.oneShot);
                // The one-shot timer is the power-on timer; the other the system clock.
                (e.oneShot ? timPowerOn_ : timSystemClk_) = timer;
                // The handler is read from the static table at each tick, as
                // for the keys.
                const Element* entry = &e;
                connect(timer, &QTimer::timeout, this,
                        [this, entry] { Event([this, entry] { std::invoke(entry->click, panel_); }); });
                break;
            }
            case Kind::Menu: {
                QMenu* menu = menuBar()->addMenu(caption);
                menu->setFont(view::PanelFont(view::FontRole::Default));
                menu->setToolTipsVisible(true);
                menus.emplace_back(e.name, menu);
                object = menu;
                break;
            }
            case Kind::MenuItem: {
                QMenu* menu = nullptr;
                for (const auto& [menuName, m] : menus) {
                    if (menuName == e.container) menu = m;
                }
                if (menu == nullptr) break;
                QAction* action = menu->addAction(caption);
                action->setCheckable(true);
                const SerialMenu which = e.menu;
                const int16_t item = e.item;
                connect(action, &QAction::triggered, this,
                        [this, which, item] { Event([this, which, item] { panel_.SerialMenu_Click(which, item); }); });
                object = action;
                break;
            }
        }
        if (object != nullptr && object != this) object->setObjectName(name);
        objects_[i] = object;
    }
}

void frmSoftPanel::SyncFromModel() { Apply(false); }

void frmSoftPanel::Apply(bool force) {
    const PanelView& now = panel_.view;
    const auto table = view::ElementTable();
    for (std::size_t i = 0; i < table.size(); ++i) {
        const Element& e = table[i];
        QObject* object = objects_[i];
        if (object == nullptr) continue;

        if (const auto* m = std::get_if<Window PanelView::*>(&e.model)) {
            if (force || (now.**m).Caption != (shown_.**m).Caption) setWindowTitle(Utf8((now.**m).Caption));
        } else if (const auto* m = std::get_if<Label PanelView::*>(&e.model)) {
            auto* label = static_cast<QLabel*>(object);
            const Label& is = now.**m;
            const Label& was = shown_.**m;
            if (force || is.Caption != was.Caption) {
                label->setText(Utf8(is.Caption));
                PlaceLabel(label, e);
            }
            if (force || is.Visible != was.Visible) label->setVisible(is.Visible);
        } else if (const auto* m = std::get_if<CommandButton PanelView::*>(&e.model)) {
            auto* key = static_cast<view::KeyButton*>(object);
            const CommandButton& is = now.**m;
            const CommandButton& was = shown_.**m;
            if (force || is.Caption != was.Caption) key->setText(KeyCaption(is.Caption));
            if (force || is.Enabled != was.Enabled) key->setEnabled(is.Enabled);
            if (force || is.Picture != was.Picture) key->setPicture(Utf8(is.Picture));
        } else if (const auto* m = std::get_if<Lamp PanelView::*>(&e.model)) {
            if (force || (now.**m).BackColor != (shown_.**m).BackColor) {
                static_cast<view::LampWidget*>(object)->setColor(ToQColor((now.**m).BackColor));
                DescribeLamp(e.name, (now.**m).BackColor != kLampOff);
            }
        } else if (const auto* m = std::get_if<Image PanelView::*>(&e.model)) {
            if (force || (now.**m).Picture != (shown_.**m).Picture)
                static_cast<view::ImageBox*>(object)->setPicture(Utf8((now.**m).Picture));
        } else if (const auto* m = std::get_if<TextBox PanelView::*>(&e.model)) {
            const TextBox& is = now.**m;
            const TextBox& was = shown_.**m;
            if (auto* display = qobject_cast<view::DisplayWidget*>(object)) {
                if (force || is.Text() != was.Text()) display->setText(Latin1(is.Text()));
                display->setSelection(is.SelStart, is.SelLength);
            }
        } else if (const auto* m = std::get_if<MenuItem PanelView::*>(&e.model)) {
            // Compared with the action itself: the menu toggles its check mark on
            // a click before the panel decides what the marks are.
            auto* action = static_cast<QAction*>(object);
            const MenuItem& is = now.**m;
            if (force || is.Caption != (shown_.**m).Caption) action->setText(Utf8(is.Caption));
            if (action->isChecked() != is.Checked) action->setChecked(is.Checked);
        }
    }
    const auto changed = [&](const Label& is, const Label& was) {
        return is.Visible != was.Visible || is.Caption != was.Caption;
    };
    if (force || now.txtDisplay.Text() != shown_.txtDisplay.Text() || changed(now.lblPosExp, shown_.lblPosExp) ||
        changed(now.lblNegExp, shown_.lblNegExp) || changed(now.lblFreqUnit, shown_.lblFreqUnit) ||
        changed(now.lblTimeUnit, shown_.lblTimeUnit)) {
        SpeakDisplay();
    }
    shown_ = now;
    DriveTimers();
}

// A timer runs while the model enables it with a positive interval. A timer
// that has fired and is still enabled runs again, as a repeating timer would.
void frmSoftPanel::DriveTimers() {
    if (!loaded_ || unloaded_) return;
    const auto drive = [](QTimer* timer, const Timer& model, uint32_t& starts) {
        if (timer == nullptr) return;
        if (!model.Enabled || model.Interval <= 0) {
            timer->stop();
        } else if (!timer->isActive() || timer->interval() != model.Interval || starts != model.Starts) {
            timer->start(model.Interval);
        }
        starts = model.Starts;
    };
    drive(timPowerOn_, panel_.view.timPowerOn, timPowerOnStarts_);
    drive(timSystemClk_, panel_.view.timSystemClk, timSystemClkStarts_);
}

void frmSoftPanel::RunFormLoad() {
    // A window closed before its start-up came round stays closed: connecting
    // now would open the port behind a window that has already said goodbye.
    if (loaded_ || unloaded_) return;
    loaded_ = true;
    Event([this] { panel_.Form_Load(); });
}

void frmSoftPanel::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (loadScheduled_) return;
    loadScheduled_ = true;
    // From the running event loop, so the identification window is not spent
    // on start-up.
    QTimer::singleShot(0, this, &frmSoftPanel::RunFormLoad);
}

void frmSoftPanel::closeEvent(QCloseEvent* event) {
    if (!unloaded_) {
        Event([this] { panel_.Form_Unload(); });
        unloaded_ = true;
        if (timPowerOn_ != nullptr) timPowerOn_->stop();
        if (timSystemClk_ != nullptr) timSystemClk_->stop();
    }
    event->accept();
}

QWidget* frmSoftPanel::Widget(std::string_view name) const {
    const auto table = view::ElementTable();
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (table[i].name == name) return qobject_cast<QWidget*>(objects_[i]);
    }
    return nullptr;
}

void frmSoftPanel::BuildKeyboardAndHelp() {
    display_ = qobject_cast<view::DisplayWidget*>(Widget("txtDisplay"));

    // Tool tips and accessible names and descriptions of every element shown.
    for (const Element& e : view::ElementTable()) {
        QWidget* widget = Widget(e.name);
        if (widget == nullptr || widget == this) continue;
        const QString tip = view::ToolTipText(e.name);
        if (!tip.isEmpty()) widget->setToolTip(tip);
        widget->setAccessibleName(view::AccessibleNameText(e.name));
        widget->setAccessibleDescription(view::AccessibleDescriptionText(e.name));
    }

    // A key pressed on the keyboard clicks the panel key: the same handler,
    // the same command, and nothing while the key is disabled. Every repeat of
    // a held key is one click. Shortcuts of the window are not active while a
    // menu of the menu bar is open.
    QWidget* previous = nullptr;
    for (const view::KeyBinding& binding : view::KeyMap()) {
        auto* key = qobject_cast<QAbstractButton*>(Widget(binding.element));
        if (key == nullptr) continue;
        for (const QKeySequence& sequence : view::KeySequences(binding.keys)) {
            auto* shortcut = new QShortcut(sequence, this);
            shortcut->setContext(Qt::WindowShortcut);
            shortcut->setAutoRepeat(true);
            connect(shortcut, &QShortcut::activated, key, [key] {
                if (key->isEnabled()) key->click();
            });
        }
        if (previous != nullptr) setTabOrder(previous, key);
        previous = key;
    }

    auto* closeHelp = new QShortcut(view::KeySequences(view::kCloseHelpKeys).value(0), this);
    connect(closeHelp, &QShortcut::activated, this, [this] {
        if (helpCard_ != nullptr) helpCard_->hide();
    });
}

QMenu* frmSoftPanel::DataMenu() {
    if (mnuData_ == nullptr) {
        mnuData_ = menuBar()->addMenu(QStringLiteral("数据 (Data)"));
        mnuData_->setObjectName(QStringLiteral("mnuData"));
        mnuData_->setFont(ZoomedFont(view::FontRole::Default));
        mnuData_->setToolTipsVisible(true);
    }
    return mnuData_;
}

void frmSoftPanel::BuildZoomMenu() {
    QMenu* menu = DataMenu();
    const auto command = [this, menu](const char* name, const QString& caption, std::string_view keys,
                                      auto&& run) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        action->setShortcuts(view::KeySequences(keys));
        connect(action, &QAction::triggered, this, run);
        return action;
    };
    command("mnuZoomIn", QStringLiteral("放大"), view::kZoomInKeys, [this] { ZoomIn(); });
    command("mnuZoomOut", QStringLiteral("缩小"), view::kZoomOutKeys, [this] { ZoomOut(); });
    command("mnuZoomReset", QStringLiteral("原始大小"), view::kZoomResetKeys, [this] { SetZoom(100); });
    menu->addSeparator();
    auto* steps = new QActionGroup(menu);
    for (const int percent : view::kZoomSteps) {
        QAction* action = menu->addAction(QStringLiteral("%1 %").arg(percent));
        action->setObjectName(QStringLiteral("mnuZoom%1").arg(percent));
        action->setCheckable(true);
        action->setChecked(percent == zoomPercent_);
        steps->addAction(action);
        connect(action, &QAction::triggered, this, [this, percent] { SetZoom(percent); });
    }
    menu->addSeparator();
    command("mnuKeyHelp", QStringLiteral("按键帮助"), view::kHelpKeys, [this] { ToggleHelpCard(); });
}

void frmSoftPanel::ZoomIn() {
    for (const int percent : view::kZoomSteps) {
        if (percent > zoomPercent_) {
            SetZoom(percent);
            return;
        }
    }
}

void frmSoftPanel::ZoomOut() {
    int smaller = zoomPercent_;
    for (const int percent : view::kZoomSteps) {
        if (percent < zoomPercent_) smaller = percent;
    }
    SetZoom(smaller);
}

void frmSoftPanel::SetZoom(int percent) {
    if (percent == zoomPercent_ || std::find(std::begin(view::kZoomSteps), std::end(view::kZoomSteps), percent) ==
                                       std::end(view::kZoomSteps)) {
        return;
    }
    zoomPercent_ = percent;
    if (auto* item = findChild<QAction*>(QStringLiteral("mnuZoom%1").arg(percent))) item->setChecked(true);
    LayOut();
    if (helpCard_ != nullptr && helpCard_->isVisible()) helpCard_->ShowBeside(zoomPercent_);
}

QFont frmSoftPanel::ZoomedFont(view::FontRole role) const {
    QFont font = view::PanelFont(role);
    if (zoomPercent_ != 100) font.setPointSizeF(font.pointSizeF() * zoomPercent_ / 100.0);
    return font;
}

void frmSoftPanel::LayOut() {
    const QFont font = ZoomedFont(view::FontRole::Default);
    centralWidget()->setFont(font);
    centralWidget()->setFixedSize(
        ZoomRect(QRect(0, 0, TwipsToPixels(view::kPanelWidthTwips),
                       TwipsToPixels(view::kPanelHeightTwips + view::kMessageLineTwips)),
                 zoomPercent_)
            .size());
    menuBar()->setFont(font);
    for (QAction* action : menuBar()->actions()) {
        if (action->menu() != nullptr) action->menu()->setFont(font);
    }

    const auto table = view::ElementTable();
    for (std::size_t i = 0; i < table.size(); ++i) {
        const Element& e = table[i];
        auto* widget = qobject_cast<QWidget*>(objects_[i]);
        if (widget == nullptr || widget == this) continue;
        if (e.kind == Kind::Label || e.kind == Kind::Key || e.kind == Kind::Display) widget->setFont(ZoomedFont(e.font));
        if (auto* label = qobject_cast<QLabel*>(widget); label != nullptr && e.kind == Kind::Label) {
            PlaceLabel(label, e);
        } else {
            widget->setGeometry(ZoomRect(PixelRect(e.rect), zoomPercent_));
        }
    }
    adjustSize();
}

void frmSoftPanel::PlaceLabel(QLabel* label, const Element& e) {
    const QRect design = PixelRect(e.rect);
    if (zoomPercent_ == 100) {
        FitLabel(label, design);
        return;
    }
    // The box the text needs at the design size, zoomed; grown if the zoomed
    // font needs a pixel more.
    if (!measure_) measure_ = std::make_unique<QLabel>();
    measure_->setFont(view::PanelFont(e.font));
    measure_->setText(label->text());
    const QRect fitted(design.topLeft(), design.size().expandedTo(measure_->sizeHint()));
    QRect box = ZoomRect(fitted, zoomPercent_);
    box.setSize(box.size().expandedTo(label->sizeHint()));
    label->setGeometry(box);
}

void frmSoftPanel::DescribeLamp(std::string_view lamp, bool lit) {
    // Only the lamps of keys: the menu lamp blinks three times a second and
    // would flood a screen reader with changes; its description says so.
    const view::ElementHelp* help = view::FindHelp(lamp);
    if (help == nullptr || !help->from.starts_with("cmd")) return;
    if (QWidget* widget = Widget(lamp)) {
        widget->setAccessibleDescription(view::AccessibleDescriptionText(lamp) +
                                         (lit ? QStringLiteral(" Lit.") : QStringLiteral(" Off.")));
    }
    if (QWidget* key = Widget(help->from)) {
        key->setAccessibleDescription(view::AccessibleDescriptionText(help->from) +
                                      (lit ? QStringLiteral(" Lamp lit.") : QStringLiteral(" Lamp off.")));
    }
}

void frmSoftPanel::SpeakDisplay() {
    if (display_ == nullptr) return;
    const PanelView& v = panel_.view;
    std::string prefix;
    if (v.lblPosExp.Visible) prefix += v.lblPosExp.Caption;
    if (v.lblNegExp.Visible) prefix += v.lblNegExp.Caption;
    std::string unit;
    if (v.lblFreqUnit.Visible) unit += v.lblFreqUnit.Caption;
    if (v.lblTimeUnit.Visible) unit += v.lblTimeUnit.Caption;
    // Readings are shown while displayCode is 0; anything else is a menu text
    // or a message, which a screen reader says at once.
    display_->setSpokenText(view::DisplayInWords(v.txtDisplay.Text(), prefix, unit), panel_.displayCode != display::kReadings);
}

void frmSoftPanel::ToggleHelpCard() {
    if (helpCard_ == nullptr) helpCard_ = new view::HelpCard(this);
    if (helpCard_->isVisible()) {
        helpCard_->hide();
    } else {
        helpCard_->ShowBeside(zoomPercent_);
    }
}

}  // namespace kt
