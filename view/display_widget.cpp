#include "view/display_widget.h"

#include <algorithm>

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>
#include <QTimer>

namespace kt::view {
namespace {

constexpr int kMargin = 2;
// The shortest time between two repaints of the display (25 frames a second):
// a flood of readings costs no more painting than that.
constexpr qint64 kFrameMs = 40;
// The shortest time between two announced readings.
constexpr qint64 kAnnounceMs = 1000;

// The display as assistive technology sees it: static text whose value is
// the reading or menu text in words.
class DisplayAccessible : public QAccessibleWidget {
public:
    explicit DisplayAccessible(DisplayWidget* display) : QAccessibleWidget(display, QAccessible::StaticText) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return static_cast<const DisplayWidget*>(widget())->spokenText();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* DisplayAccessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String(DisplayWidget::staticMetaObject.className()) && object != nullptr &&
        object->isWidgetType()) {
        return new DisplayAccessible(static_cast<DisplayWidget*>(object));
    }
    return nullptr;
}

}  // namespace

const QColor DisplayWidget::kTextColor(0, 192, 192);
const QColor DisplayWidget::kBackColor(0, 0, 0);

DisplayWidget::DisplayWidget(QWidget* parent) : QWidget(parent) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(DisplayAccessibleFactory);
        return true;
    }();
    (void)factoryInstalled;
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void DisplayWidget::setSpokenText(const QString& words, bool atOnce) {
    if (words == spoken_) return;
    spoken_ = words;
    setToolTip(words);
    const qint64 since = sinceAnnounced_.isValid() ? sinceAnnounced_.elapsed() : kAnnounceMs;
    if (atOnce || since >= kAnnounceMs) {
        Announce();
        return;
    }
    if (announcePending_) return;  // it will say the latest words
    announcePending_ = true;
    QTimer::singleShot(static_cast<int>(kAnnounceMs - since), this, [this] {
        announcePending_ = false;
        if (spoken_ != announced_) Announce();
    });
}

void DisplayWidget::Announce() {
    sinceAnnounced_.restart();
    announced_ = spoken_;
    ++announcements_;
    QAccessibleValueChangeEvent event(this, spoken_);
    QAccessible::updateAccessibility(&event);
}

void DisplayWidget::setText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    RequestPaint();
}

void DisplayWidget::setSelection(int start, int length) {
    if (start == selStart_ && length == selLength_) return;
    selStart_ = start;
    selLength_ = length;
    RequestPaint();
}

void DisplayWidget::RequestPaint() {
    if (paintPending_) return;
    const qint64 since = sincePaint_.isValid() ? sincePaint_.elapsed() : kFrameMs;
    if (since >= kFrameMs) {
        update();
        return;
    }
    paintPending_ = true;
    QTimer::singleShot(static_cast<int>(kFrameMs - since), this, [this] {
        paintPending_ = false;
        update();
    });
}

QString DisplayWidget::shownText() const {
    QString shown = text_;
    for (QChar& c : shown) {
        if (c.category() == QChar::Other_Control) c = QLatin1Char(' ');
    }
    return shown;
}

int DisplayWidget::highlightedFirst() const {
    return std::clamp(selStart_, 0, static_cast<int>(text_.size()));
}

int DisplayWidget::highlightedCount() const {
    const int first = highlightedFirst();
    return std::clamp(selLength_, 0, static_cast<int>(text_.size()) - first);
}

int DisplayWidget::textRoom() const { return std::max(1, width() - 2 * kMargin); }

double DisplayWidget::textScale() const {
    const double natural = QFontMetricsF(font()).horizontalAdvance(shownText());
    if (natural <= textRoom()) return 1.0;
    return textRoom() / natural;
}

double DisplayWidget::shownTextWidth() const {
    return QFontMetricsF(font()).horizontalAdvance(shownText()) * textScale();
}

void DisplayWidget::paintEvent(QPaintEvent*) {
    sincePaint_.restart();
    QPainter painter(this);
    painter.fillRect(rect(), kBackColor);

    const QString shown = shownText();
    if (shown.isEmpty()) return;
    const QFontMetricsF metrics(font());
    const int first = highlightedFirst();
    const int count = highlightedCount();
    // A reading or a menu text is laid out once, for the measure and the
    // drawing alike: shaping the 42 pt text is most of the cost of a frame
    // while readings stream.
    QTextLayout layout(shown, font(), this);
    QTextLine line;
    double natural = 0;
    if (count <= 0) {
        layout.beginLayout();
        line = layout.createLine();
        layout.endLayout();
        natural = line.horizontalAdvance();
    } else {
        natural = metrics.horizontalAdvance(shown);
    }
    const double scale = natural <= textRoom() ? 1.0 : textRoom() / natural;

    // Right-aligned, centred on the line's height.
    const double left = width() - kMargin - natural * scale;
    const double top = (height() - metrics.height() * scale) / 2.0;
    painter.translate(left, top);
    painter.scale(scale, scale);
    painter.setPen(kTextColor);
    const double baseline = metrics.ascent();
    if (count <= 0) {
        layout.draw(&painter, QPointF(0, baseline - line.ascent()));
        return;
    }

    // The editor: the marked characters in inverse video.
    painter.setFont(font());
    painter.drawText(QPointF(0, baseline), shown);
    const double x = metrics.horizontalAdvance(shown.left(first));
    const QString marked = shown.mid(first, count);
    const double w = metrics.horizontalAdvance(marked);
    painter.fillRect(QRectF(x, 0, w, metrics.height()), kTextColor);
    painter.setPen(kBackColor);
    painter.drawText(QPointF(x, baseline), marked);
}

}  // namespace kt::view
