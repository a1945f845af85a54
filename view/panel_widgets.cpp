#include "view/panel_widgets.h"

#include <algorithm>

#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace kt::view {

QStringList PictureSet(const QString& path) {
    QStringList files;
    if (path.isEmpty()) return files;
    files << path;
    const QFileInfo info(path);
    for (const char* scale : {"@2x.", "@3x."}) {
        const QString variant = info.dir().filePath(info.completeBaseName() + QLatin1String(scale) + info.suffix());
        if (QFileInfo::exists(variant)) files << variant;
    }
    return files;
}

KeyButton::KeyButton(QWidget* parent) : QPushButton(parent) {
    setFocusPolicy(Qt::TabFocus);
    setAutoDefault(false);
}

bool KeyButton::setPicture(const QString& path) {
    const QPixmap pixmap(path);
    if (pixmap.isNull()) {
        setIcon(QIcon());
        return false;
    }
    // The icon holds every set and draws the one nearest the size it is drawn
    // at. The larger sets are larger pictures of the same drawing, not the
    // same size at a higher density as their names would tell Qt: a zoomed key
    // needs them on any screen.
    QIcon icon(pixmap);
    const QStringList files = PictureSet(path);
    for (qsizetype i = 1; i < files.size(); ++i) {
        QImage image(files[i]);
        image.setDevicePixelRatio(1.0);
        if (!image.isNull()) icon.addPixmap(QPixmap::fromImage(image));
    }
    setIcon(icon);
    FitIcon();
    return true;
}

void KeyButton::FitIcon() {
    const int side = std::max(8, std::min(width(), height()) - 6);
    setIconSize(QSize(side, side));
}

void KeyButton::resizeEvent(QResizeEvent* event) {
    QPushButton::resizeEvent(event);
    if (!icon().isNull()) FitIcon();
}

void KeyButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);

    if (hasFocus() && (option.state & QStyle::State_KeyboardFocusChange)) {
        painter.setRenderHint(QPainter::Antialiasing);
        // Two pixels at the design size, thicker on a zoomed key.
        painter.setPen(QPen(palette().color(QPalette::Highlight), std::max(2.0, height() / 24.0)));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 3, 3);
    }

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
    files_.clear();
    sizes_.clear();
    shown_.clear();
    const QPixmap pixmap(path);
    if (pixmap.isNull()) {
        clear();
        return false;
    }
    for (const QString& file : PictureSet(path)) {
        const QSize size = QImageReader(file).size();
        if (!size.isValid()) continue;
        files_ << file;
        sizes_ << size;
    }
    shown_ = path;
    setPixmap(pixmap);
    ShowBestSet();
    return true;
}

void ImageBox::ShowBestSet() {
    if (files_.isEmpty()) return;
    const QSize need = size() * devicePixelRatioF();
    qsizetype best = files_.size() - 1;
    for (qsizetype i = 0; i < files_.size(); ++i) {
        if (sizes_[i].width() >= need.width() && sizes_[i].height() >= need.height()) {
            best = i;
            break;
        }
    }
    if (files_[best] == shown_) return;
    const QPixmap pixmap(files_[best]);
    if (pixmap.isNull()) return;
    shown_ = files_[best];
    setPixmap(pixmap);
}

void ImageBox::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    ShowBestSet();
}

bool ImageBox::event(QEvent* event) {
    // Moved to a screen of another pixel density.
    if (event->type() == QEvent::ScreenChangeInternal) ShowBestSet();
    return QLabel::event(event);
}

bool ImageBox::hasPicture() const { return !pixmap().isNull(); }

}  // namespace kt::view
