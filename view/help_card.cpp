#include "view/help_card.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

#include "view/element_help.h"
#include "view/fonts.h"
#include "view/key_map.h"
#include "view/utf8.h"

namespace kt::view {
namespace {

QString Row(const QString& keys, const QString& chinese, const QString& english) {
    return QStringLiteral("<tr><td><b>%1</b></td><td>%2</td><td>%3</td></tr>")
        .arg(keys.toHtmlEscaped(), chinese.toHtmlEscaped(), english.toHtmlEscaped());
}

QString CardText() {
    QString rows;
    for (const KeyBinding& b : KeyMap()) {
        if (b.shown.empty()) continue;
        const ElementHelp* help = FindHelp(b.element);
        rows += Row(Utf8(b.shown), ChineseName(b.element), help != nullptr ? Utf8(help->english) : QString());
    }
    rows += Row(QStringLiteral("Tab / Shift+Tab"), QStringLiteral("下一个 / 上一个按键"),
                QStringLiteral("focus the next / previous key"));
    rows += Row(QStringLiteral("Space"), QStringLiteral("按下有焦点的按键"), QStringLiteral("press the focused key"));
    rows += Row(QStringLiteral("Ctrl+= / Ctrl+- / Ctrl+0"), QStringLiteral("放大 / 缩小 / 原始大小"),
                QStringLiteral("zoom in / out / 100 %"));
    rows += Row(Utf8(kHelpKeys) + QStringLiteral(" / ") + Utf8(kCloseHelpKeys), QStringLiteral("按键帮助"),
                QStringLiteral("show / close this card"));
    return QStringLiteral("<p><b>按键帮助 — Keyboard</b></p>"
                          "<table cellspacing='0' cellpadding='2'>%1</table>")
        .arg(rows);
}

}  // namespace

HelpCard::HelpCard(QWidget* panelWindow)
    : QWidget(panelWindow, Qt::Tool | Qt::WindowDoesNotAcceptFocus), panelWindow_(panelWindow) {
    setObjectName(QStringLiteral("helpCard"));
    setWindowTitle(QStringLiteral("按键帮助 — Keyboard"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    text_ = new QLabel(CardText(), this);
    text_->setTextFormat(Qt::RichText);
    text_->setFocusPolicy(Qt::NoFocus);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    setAccessibleName(windowTitle());
}

void HelpCard::ShowBeside(int zoomPercent) {
    QFont font = PanelFont(FontRole::Default);
    font.setPointSizeF(font.pointSizeF() * zoomPercent / 100.0);
    text_->setFont(font);
    adjustSize();

    const QRect panel = panelWindow_->frameGeometry();
    const QScreen* screen = panelWindow_->screen();
    const QRect room = screen != nullptr ? screen->availableGeometry() : QRect();
    QPoint at(panel.right() + 1, panel.top());
    if (!room.contains(QRect(at, size()))) at = QPoint(panel.left(), panel.bottom() + 1);
    if (!room.contains(QRect(at, size()))) at = panel.topLeft() + QPoint(24, 24);
    move(at);
    show();
    raise();
}

}  // namespace kt::view
