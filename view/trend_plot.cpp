#include "view/trend_plot.h"

#include <algorithm>
#include <cmath>

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>

namespace kt::view {

namespace {

const QColor kCard(Qt::white);
const QColor kGrid(228, 228, 228);
const QColor kFrame(150, 150, 150);
const QColor kText(40, 40, 40);
const QColor kTrend(32, 120, 200);

QStringList TickLabels(const AxisTicks& ticks) {
    QStringList labels;
    for (double v : ticks.values) labels.append(QString::number(v, 'f', ticks.decimals));
    return labels;
}

}  // namespace

TrendPlot::TrendPlot(QWidget* parent) : QWidget(parent) {
    // Every paint covers its whole rectangle from the background picture.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(320, 220);
}

void TrendPlot::SetTitles(const QString& time, const QString& value) {
    if (time == timeTitle_ && value == valueTitle_) return;
    timeTitle_ = time;
    valueTitle_ = value;
    backgroundStale_ = true;
    if (trend_ != nullptr) Show(*trend_);
}

void TrendPlot::Show(const TrendColumns& trend) {
    trend_ = &trend;
    if (range_.Fit(trend)) backgroundStale_ = true;
    if (backgroundStale_) {
        DrawBackground();
        trend.Columns(plot_.width(), range_.right, columns_);
        update();
        return;
    }
    trend.Columns(plot_.width(), range_.right, fresh_);
    const int n = static_cast<int>(fresh_.size());
    if (n != static_cast<int>(columns_.size())) {
        columns_.swap(fresh_);
        update();
        return;
    }
    // The line joins a changed column to its used neighbours: those segments
    // change too. Only the rows the old and the new line cover are repainted.
    const auto [first, last] = ChangedColumns(columns_, fresh_);
    if (first > last) return;
    int top = plot_.bottom();
    int bottom = plot_.top();
    for (const auto* columns : {&columns_, &fresh_}) {
        for (int c = first; c <= last; ++c) {
            const TrendColumns::Column& column = (*columns)[c];
            if (!column.used) continue;
            top = std::min(top, ValueToY(column.max));
            bottom = std::max(bottom, ValueToY(column.min));
        }
    }
    columns_.swap(fresh_);
    if (top > bottom) return;
    update(QRect(plot_.left() + first, top, last - first + 1, bottom - top + 1));
}

void TrendPlot::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    backgroundStale_ = true;
    if (trend_ != nullptr) {
        Show(*trend_);
    } else {
        DrawBackground();
    }
}

int TrendPlot::ValueToY(double v) const {
    const double spread = range_.high - range_.low;
    const double f = spread > 0 ? (v - range_.low) / spread : 0.5;
    return plot_.bottom() - static_cast<int>(std::lround(std::clamp(f, 0.0, 1.0) * (plot_.height() - 1)));
}

void TrendPlot::DrawBackground() {
    backgroundStale_ = false;
    const QFontMetrics metrics(font());
    QFont bold = font();
    bold.setBold(true);
    const int line = metrics.height();
    const int margin = 8;
    const int gap = 6;

    // Value ticks first: their labels' width sets where the plot begins.
    const int top = margin + line / 2;
    const int bottom = height() - margin - 2 * line - gap;
    const int plotHeight = std::max(10, bottom - top);
    const AxisTicks valueTicks = NiceTicks(range_.low, range_.high, std::max(2, plotHeight / (2 * line)));
    const QStringList valueLabels = TickLabels(valueTicks);
    int labelWidth = 0;
    for (const QString& label : valueLabels) labelWidth = std::max(labelWidth, metrics.horizontalAdvance(label));
    const int left = margin + line + gap + labelWidth + gap;
    const int right = width() - margin - metrics.horizontalAdvance(QStringLiteral("0000"));
    plot_ = QRect(left, top, std::max(10, right - left), plotHeight);

    const int timeLabelWidth = metrics.horizontalAdvance(QStringLiteral("00000.0"));
    const AxisTicks timeTicks = NiceTicks(0.0, range_.right, std::max(2, plot_.width() / (timeLabelWidth + 2 * line)));
    const QStringList timeLabels = TickLabels(timeTicks);

    const qreal ratio = devicePixelRatioF();
    background_ = QImage(size() * ratio, QImage::Format_RGB32);
    background_.setDevicePixelRatio(ratio);
    background_.fill(kCard);
    QPainter p(&background_);
    p.setFont(font());

    // Grid and tick labels.
    for (int i = 0; i < valueLabels.size(); ++i) {
        const int y = ValueToY(valueTicks.values[static_cast<std::size_t>(i)]);
        p.setPen(kGrid);
        p.drawLine(plot_.left(), y, plot_.right(), y);
        p.setPen(kText);
        p.drawText(QRect(left - gap - labelWidth, y - line / 2, labelWidth, line), Qt::AlignRight | Qt::AlignVCenter,
                   valueLabels[i]);
    }
    // The same mapping as the trend's pixel columns.
    const double perSecond = range_.right > 0 ? plot_.width() / range_.right : 0.0;
    for (int i = 0; i < timeLabels.size(); ++i) {
        const double t = timeTicks.values[static_cast<std::size_t>(i)];
        const int x = plot_.left() + std::min(plot_.width() - 1, static_cast<int>(std::floor(t * perSecond)));
        p.setPen(kGrid);
        p.drawLine(x, plot_.top(), x, plot_.bottom());
        p.setPen(kText);
        p.drawText(QRect(x - timeLabelWidth, plot_.bottom() + gap / 2, 2 * timeLabelWidth, line), Qt::AlignHCenter | Qt::AlignTop,
                   timeLabels[i]);
    }
    p.setPen(kFrame);
    p.drawRect(plot_.adjusted(0, 0, -1, -1));

    // Titles: time below, the value's name up the left side.
    p.setPen(kText);
    p.setFont(bold);
    p.drawText(QRect(plot_.left(), plot_.bottom() + gap / 2 + line, plot_.width(), line + gap), Qt::AlignCenter, timeTitle_);
    p.save();
    p.translate(margin, plot_.center().y());
    p.rotate(-90);
    p.drawText(QRect(-plot_.height() / 2, 0, plot_.height(), line), Qt::AlignCenter, valueTitle_);
    p.restore();
}

void TrendPlot::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRect r = event->rect();
    const qreal ratio = background_.devicePixelRatio();
    p.setCompositionMode(QPainter::CompositionMode_Source);
    if (ratio == 1.0) {
        p.drawImage(r.topLeft(), background_, r);
    } else {
        p.drawImage(QRectF(r), background_, QRectF(r.x() * ratio, r.y() * ratio, r.width() * ratio, r.height() * ratio));
    }
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    const int n = static_cast<int>(columns_.size());
    if (n == 0) return;

    // The columns under the rectangle, and the used neighbours the line joins them to.
    int from = std::clamp(r.left() - plot_.left(), 0, n - 1);
    int to = std::clamp(r.right() - plot_.left(), 0, n - 1);
    while (from > 0 && !columns_[from - 1].used) --from;
    if (from > 0) --from;
    while (to < n - 1 && !columns_[to + 1].used) ++to;
    if (to < n - 1) ++to;
    points_.clear();
    for (int c = from; c <= to; ++c) {
        const TrendColumns::Column& column = columns_[c];
        if (!column.used) continue;
        const int x = plot_.left() + c;
        const int low = ValueToY(column.min);
        const int high = ValueToY(column.max);
        points_.emplace_back(x, low);
        if (high != low) points_.emplace_back(x, high);
    }
    if (points_.empty()) return;
    QPen pen(kTrend);
    pen.setWidth(0);  // cosmetic, one pixel: the painter's fast path
    p.setPen(pen);
    if (points_.size() == 1) {
        p.drawPoint(points_.front());
    } else {
        p.drawPolyline(points_.data(), static_cast<int>(points_.size()));
    }
}

}  // namespace kt::view
