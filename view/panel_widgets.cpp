#include "view/panel_widgets.h"

#include <algorithm>

#include <QFontMetrics>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace kt::view {

KeyButton::KeyButton(QWidget* parent) : QPushButton(parent) {
    setFocusPolicy(Qt::NoFocus);  // the display's cursor stays where the editor put it
    setAutoDefault(false);
}

bool KeyButton::setPicture(const QString& path) {
    const QPixmap pixmap(path);
    if (pixmap.isNull()) {
        setIcon(QIcon());
        return false;
    }
    setIcon(QIcon(pixmap));
    const int side = std::max(8, std::min(width(), height()) - 6);
    setIconSize(QSize(side, side));
    return true;
}

void KeyButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);

    const QStringList lines = text().split(QLatin1Char('\n'));
    if (text().isEmpty()) return;
    const QFontMetrics metrics(font());
    const int count = static_cast<int>(lines.size());
    const int pitch = std::max(1, std::min(metrics.lineSpacing(), (height() - 4) / count));
    const int shift = isDown() ? 1 : 0;
    int y = (height() - pitch * count) / 2 + shift;
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    for (const QString& line : lines) {
        painter.drawText(QRect(shift, y, width(), pitch), Qt::AlignCenter | Qt::TextDontClip, line);
        y += pitch;
    }
}

LampWidget::LampWidget(QWidget* parent) : QWidget(parent), color_(128, 128, 128) {}

void LampWidget::setColor(const QColor& color) {
    if (color == color_) return;
    color_ = color;
    update();
}

void LampWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(color_);
    painter.drawEllipse(QRectF(0.5, 0.5, width() - 1.0, height() - 1.0));
}

ImageBox::ImageBox(QWidget* parent) : QLabel(parent) { setScaledContents(true); }

bool ImageBox::setPicture(const QString& path) {
    path_ = path;
    const QPixmap pixmap(path);
    if (pixmap.isNull()) {
        clear();
        return false;
    }
    setPixmap(pixmap);
    return true;
}

bool ImageBox::hasPicture() const { return !pixmap().isNull(); }

}  // namespace kt::view
