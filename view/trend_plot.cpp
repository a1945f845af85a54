#include "view/trend_plot.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include <QDateTime>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>
#include <QRubberBand>
#include <QTimeZone>
#include <QWheelEvent>

namespace kt::view {

const char* const kTrendMouseHelp =
    "滚轮 (Wheel): 以光标为中心缩放时间轴 (zoom the time axis about the cursor)\n"
    "Ctrl+滚轮 (Ctrl+wheel): 缩放数值轴 (zoom the value axis)\n"
    "左键拖出矩形 (drag a rectangle with the left button): 放大到矩形 (zoom into it)\n"
    "右键拖动或 Shift+左键拖动 (drag with the right button, or Shift and the left): 平移 (pan)\n"
    "双击或“跟随” (double-click or Follow): 回到跟随数据流 (follow the stream again)";

namespace {

const QColor kCard(Qt::white);
const QColor kGrid(228, 228, 228);
const QColor kFrame(150, 150, 150);
const QColor kText(40, 40, 40);
const QColor kLive(32, 120, 200);
const QColor kTrace(220, 110, 20);

constexpr double kZoomStep = 0.8;        // span per wheel notch
constexpr double kShortestSpan = 1e-6;   // seconds
constexpr double kLongestSpan = 1e10;
constexpr int kBandMinimum = 4;          // pixels of a rectangle that counts as one

QStringList NumberLabels(const AxisTicks& ticks, double factor = 1.0) {
    QStringList labels;
    for (double v : ticks.values) labels.append(QString::number(v * factor, 'f', ticks.decimals));
    return labels;
}

double EpochSeconds(SystemTime t) { return std::chrono::duration<double>(t.time_since_epoch()).count(); }

QDateTime ClockAt(double epochSeconds, bool utc) {
    const auto ms = static_cast<qint64>(std::llround(epochSeconds * 1000.0));
    return utc ? QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc()) : QDateTime::fromMSecsSinceEpoch(ms);
}

QString ClockLabel(const QDateTime& at, const AxisTicks& ticks) {
    if (ticks.step >= 86400.0) return at.toString(QStringLiteral("yyyy-MM-dd"));
    if (ticks.step >= 60.0) return at.toString(QStringLiteral("HH:mm"));
    QString text = at.toString(QStringLiteral("HH:mm:ss"));
    if (ticks.decimals > 0) text += QLatin1Char('.') + at.toString(QStringLiteral("zzz")).left(ticks.decimals);
    return text;
}

// The part of a line from a to b between the rows top and bottom (a.x() < b.x()).
std::optional<QLineF> ClipRows(QPointF a, QPointF b, double top, double bottom) {
    double lo = 0.0, hi = 1.0;
    const double dy = b.y() - a.y();
    for (const double edge : {top, bottom}) {
        const bool below = edge == top;  // inside means y >= top, y <= bottom
        if (dy == 0.0) {
            if (below ? a.y() < top : a.y() > bottom) return std::nullopt;
            continue;
        }
        const double s = (edge - a.y()) / dy;
        const bool entering = below ? dy > 0 : dy < 0;
        if (entering) {
            lo = std::max(lo, s);
        } else {
            hi = std::min(hi, s);
        }
    }
    if (lo > hi) return std::nullopt;
    const QPointF d = b - a;
    return QLineF(a + d * lo, a + d * hi);
}

}  // namespace

TrendPlot::TrendPlot(QWidget* parent) : QWidget(parent) {
    // Every paint covers its whole rectangle from the background picture.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(320, 220);
    setCursor(Qt::CrossCursor);
    live_.colour = kLive;
    trace_.colour = kTrace;
}

void TrendPlot::SetLive(std::shared_ptr<const TrendSource> live) {
    live_.source = std::move(live);
    live_.columns.clear();
    backgroundStale_ = true;
    Refresh();
}

void TrendPlot::ShowSeries(std::shared_ptr<const TrendSource> trace, const QColor& colour) {
    trace_.source = std::move(trace);
    trace_.colour = colour.isValid() ? colour : kTrace;
    trace_.columns.clear();
    backgroundStale_ = true;
    Refresh();
}

void TrendPlot::SetValueName(const QString& name, const QString& unit) {
    if (name == valueName_ && unit == valueUnit_) return;
    valueName_ = name;
    valueUnit_ = unit;
    backgroundStale_ = true;
    Refresh();
}

void TrendPlot::SetTitle(const QString& title) { title_ = title; }

void TrendPlot::SetTimeAxis(TimeAxis axis) {
    if (axis == timeAxis_) return;
    timeAxis_ = axis;
    // Series move against each other on a clock: the view starts afresh.
    Follow();
}

bool TrendPlot::SetValueAxis(ValueAxis axis, double nominal) {
    if (axis == ValueAxis::FromNominal && (!std::isfinite(nominal) || nominal == 0.0)) return false;
    valueAxis_ = axis;
    if (axis == ValueAxis::FromNominal) nominal_ = nominal;
    backgroundStale_ = true;
    Refresh();
    return true;
}

void TrendPlot::SetDriftShown(bool shown) {
    if (shown == driftShown_) return;
    driftShown_ = shown;
    update(plot_);
}

std::vector<TrendPlot::Series*> TrendPlot::Shown() {
    std::vector<Series*> shown;
    for (Series* s : {&trace_, &live_}) {
        if (s->source != nullptr) shown.push_back(s);
    }
    return shown;
}

std::vector<const TrendPlot::Series*> TrendPlot::Shown() const {
    std::vector<const Series*> shown;
    for (const Series* s : {&trace_, &live_}) {
        if (s->source != nullptr) shown.push_back(s);
    }
    return shown;
}

const TrendPlot::Series* TrendPlot::Primary() const {
    if (live_.source != nullptr && !live_.source->Empty()) return &live_;
    if (trace_.source != nullptr) return &trace_;
    return live_.source != nullptr ? &live_ : nullptr;
}

void TrendPlot::UpdateShifts() {
    live_.shift = trace_.shift = 0.0;
    const Series* primary = Primary();
    if (timeAxis_ == TimeAxis::Elapsed || primary == nullptr || !primary->source->ClockOrigin()) return;
    const double origin = EpochSeconds(*primary->source->ClockOrigin());
    for (Series* s : Shown()) {
        if (s->source->ClockOrigin()) s->shift = EpochSeconds(*s->source->ClockOrigin()) - origin;
    }
}

double TrendPlot::Reference() const { return valueAxis_ == ValueAxis::FromNominal ? nominal_ : meanRef_; }

void TrendPlot::ComputeColumns(Series& s, int width, std::vector<TrendColumn>& out) const {
    s.source->Columns(range_.left - s.shift, range_.right - s.shift, width, out);
}

void TrendPlot::Refresh() {
    UpdateShifts();
    const std::vector<Series*> shown = Shown();
    bool changed = false;
    if (following_) {
        TrendExtent extent;
        for (const Series* s : shown) extent.Include(*s->source, s->shift);
        changed = range_.Fit(extent);
    } else if (valuesAuto_) {
        // The values of a zoomed time range follow what it shows.
        TrendExtent extent;
        for (Series* s : shown) {
            ComputeColumns(*s, plot_.width(), fresh_);
            extent.Include(fresh_);
        }
        changed = range_.FitValues(extent);
    }
    if (changed || backgroundStale_) {
        DrawBackground();
        for (Series* s : shown) {
            ComputeColumns(*s, plot_.width(), s->columns);
            Edges(*s, plot_);
        }
        driftDrawn_.clear();
        update();
        return;
    }

    // The line joins a changed column to its used neighbours: those segments
    // change too. Only the rows the old and the new line cover are repainted.
    QRect dirty;
    for (Series* s : shown) {
        // A zoomed view is repainted whole: the line may cross it towards
        // readings beyond its edges.
        const auto before = s->before;
        const auto after = s->after;
        Edges(*s, plot_);
        if (before != s->before || after != s->after) dirty = plot_;
        ComputeColumns(*s, plot_.width(), fresh_);
        if (fresh_.size() != s->columns.size()) {
            s->columns.swap(fresh_);
            dirty = plot_;
            continue;
        }
        const auto [first, last] = ChangedColumns(s->columns, fresh_);
        if (first > last) continue;
        int top = plot_.bottom();
        int bottom = plot_.top();
        for (const auto* columns : {&s->columns, &fresh_}) {
            for (int c = first; c <= last; ++c) {
                const TrendColumn& column = (*columns)[c];
                if (!column.used) continue;
                top = std::min(top, ValueToY(column.max, plot_));
                bottom = std::max(bottom, ValueToY(column.min, plot_));
            }
        }
        s->columns.swap(fresh_);
        if (top <= bottom) dirty |= QRect(plot_.left() + first, top, last - first + 1, bottom - top + 1);
    }
    // A drift line that moved by half a pixel is drawn again, and the plot with it.
    if (driftShown_) {
        std::vector<QLineF> lines;
        for (const Series* s : shown) {
            if (auto line = DriftLine(plot_, *s)) lines.push_back(*line);
        }
        const auto moved = [](const QLineF& a, const QLineF& b) {
            return QLineF(a.p1(), b.p1()).length() > 0.5 || QLineF(a.p2(), b.p2()).length() > 0.5;
        };
        bool differs = lines.size() != driftDrawn_.size();
        for (std::size_t i = 0; !differs && i < lines.size(); ++i) differs = moved(lines[i], driftDrawn_[i]);
        if (differs) dirty = plot_;
    }
    if (!dirty.isEmpty()) update(following_ ? dirty : plot_);
}

void TrendPlot::Edges(Series& s, const QRect& plot) const {
    s.before.reset();
    s.after.reset();
    const TrendSource& src = *s.source;
    if (src.Empty()) return;
    const std::size_t first = src.IndexAt(range_.left - s.shift);
    if (first > 0) s.before = QPointF(XOfTime(src.TimeAt(first - 1) + s.shift, plot), ValueToYF(src.ValueAt(first - 1), plot));
    const std::size_t end = src.IndexAt(range_.right - s.shift);
    if (end < src.Size()) s.after = QPointF(XOfTime(src.TimeAt(end) + s.shift, plot), ValueToYF(src.ValueAt(end), plot));
}

void TrendPlot::ViewChanged(bool following) {
    const bool was = following_;
    following_ = following;
    backgroundStale_ = true;
    Refresh();
    if (was != following_) emit followingChanged(following_);
}

void TrendPlot::Follow() {
    valuesAuto_ = true;
    range_.set = false;
    ViewChanged(true);
}

void TrendPlot::ZoomTime(double t0, double t1) {
    if (!std::isfinite(t0) || !std::isfinite(t1)) return;
    if (t1 < t0) std::swap(t0, t1);
    const double middle = (t0 + t1) / 2;
    const double half = std::clamp(t1 - t0, kShortestSpan, kLongestSpan) / 2;
    range_.left = middle - half;
    range_.right = middle + half;
    // Values that follow the view fit it afresh (a pan keeps them while it can).
    range_.set = !valuesAuto_;
    ViewChanged(false);
}

void TrendPlot::ZoomValues(double low, double high) {
    if (!std::isfinite(low) || !std::isfinite(high)) return;
    if (high < low) std::swap(low, high);
    const double middle = (low + high) / 2;
    const double least = std::max(std::abs(middle) * 1e-15, 1e-300);
    if (high - low < least) low = middle - least, high = middle + least;
    range_.low = low;
    range_.high = high;
    valuesAuto_ = false;
    ViewChanged(false);
}

double TrendPlot::TimeAtX(double x) const {
    const double width = std::max(plot_.width(), 1);
    return range_.left + (x - plot_.left()) / width * (range_.right - range_.left);
}

double TrendPlot::ValueAtY(double y) const {
    const double height = std::max(plot_.height() - 1, 1);
    return range_.low + (plot_.bottom() - y) / height * (range_.high - range_.low);
}

double TrendPlot::XOfTime(double t, const QRect& plot) const {
    const double span = range_.right - range_.left;
    return plot.left() + (span > 0 ? (t - range_.left) / span * plot.width() : 0.0);
}

double TrendPlot::ValueToYF(double v, const QRect& plot) const {
    const double spread = range_.high - range_.low;
    const double f = spread > 0 ? (v - range_.low) / spread : 0.5;
    return plot.bottom() - f * (plot.height() - 1);
}

int TrendPlot::ValueToY(double v, const QRect& plot) const {
    const double spread = range_.high - range_.low;
    const double f = spread > 0 ? (v - range_.low) / spread : 0.5;
    return plot.bottom() - static_cast<int>(std::lround(std::clamp(f, 0.0, 1.0) * (plot.height() - 1)));
}

void TrendPlot::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    backgroundStale_ = true;
    Refresh();
}

// ---------------------------------------------------------------- the frame

TrendPlot::Frame TrendPlot::MakeFrame(QSize size, const QPaintDevice* device, bool exported) const {
    Frame f;
    f.size = size;
    const QFontMetrics metrics(font(), device);
    f.line = metrics.height();
    const int margin = 8;
    const int gap = 6;
    const std::vector<const Series*> shown = Shown();
    const Series* primary = Primary();
    f.legend = shown.size() > 1;
    f.title = exported ? title_ : QString();

    // The value axis: the reading's unit, or the offset from a reference.
    const double ref = Reference();
    const bool offset = valueAxis_ != ValueAxis::Unit && std::isfinite(ref) && ref != 0.0;
    FractionScale scale;
    if (offset) scale = ChooseFractionScale((range_.high - range_.low) / ref);
    const int top = margin + f.line / 2 + (f.title.isEmpty() ? 0 : f.line + gap) +
                    (f.legend || offset ? f.line + gap / 2 : 0);
    const int bottom = size.height() - margin - 2 * f.line - gap;
    const int plotHeight = std::max(10, bottom - top);
    const int most = std::max(2, plotHeight / (2 * f.line));
    if (offset) {
        double a = (range_.low - ref) / ref * scale.factor;
        double b = (range_.high - ref) / ref * scale.factor;
        if (b < a) std::swap(a, b);
        const AxisTicks shownTicks = NiceTicks(a, b, most);
        f.valueLabels = NumberLabels(shownTicks);
        f.valueTicks = shownTicks;
        for (double& v : f.valueTicks.values) v = ref + v / scale.factor * ref;  // back to the unit, for y
        const QString from = valueAxis_ == ValueAxis::FromMean ? QStringLiteral("平均 (mean)") : QStringLiteral("标称 (nominal)");
        f.valueTitle = QStringLiteral("(x − x₀) / x₀ (%1)").arg(QString::fromLatin1(scale.name));
        f.note = QStringLiteral("x₀ = %1 %2 %3").arg(from, QString::number(ref, 'g', 15), valueUnit_).trimmed();
    } else {
        f.valueTicks = NiceTicks(range_.low, range_.high, most);
        f.valueLabels = NumberLabels(f.valueTicks);
        f.valueTitle = valueUnit_.isEmpty() ? valueName_ : valueName_ + QStringLiteral(" (") + valueUnit_ + QLatin1Char(')');
    }
    int labelWidth = 0;
    for (const QString& label : f.valueLabels) labelWidth = std::max(labelWidth, metrics.horizontalAdvance(label));
    const int left = margin + f.line + gap + labelWidth + gap;
    const int right = size.width() - margin - metrics.horizontalAdvance(QStringLiteral("00000"));
    f.plot = QRect(left, top, std::max(10, right - left), plotHeight);

    // The time axis: seconds since the series began, or the clock.
    const bool clock = timeAxis_ != TimeAxis::Elapsed && primary != nullptr && primary->source->ClockOrigin();
    const int timeLabelWidth = metrics.horizontalAdvance(clock ? QStringLiteral("00:00:00.000") : QStringLiteral("00000.0"));
    const int timeMost = std::max(2, f.plot.width() / (timeLabelWidth + 2 * f.line));
    if (clock) {
        const bool utc = timeAxis_ == TimeAxis::Utc;
        const double origin = EpochSeconds(*primary->source->ClockOrigin());
        const QDateTime start = ClockAt(origin + range_.left, utc);
        const double zone = utc ? 0.0 : start.offsetFromUtc();
        f.timeTicks = ClockTicks(range_.left, range_.right, origin + zone, timeMost);
        for (double t : f.timeTicks.values) f.timeLabels.append(ClockLabel(ClockAt(origin + t, utc), f.timeTicks));
        const QString day = start.toString(QStringLiteral("yyyy-MM-dd"));
        if (utc) {
            f.timeTitle = QStringLiteral("UTC %1").arg(day);
        } else {
            const int minutes = start.offsetFromUtc() / 60;
            f.timeTitle = QStringLiteral("本地时间 (local time) %1, UTC%2%3:%4")
                              .arg(day, minutes < 0 ? QStringLiteral("−") : QStringLiteral("+"))
                              .arg(std::abs(minutes) / 60, 2, 10, QLatin1Char('0'))
                              .arg(std::abs(minutes) % 60, 2, 10, QLatin1Char('0'));
        }
    } else {
        f.timeTicks = NiceTicks(range_.left, range_.right, timeMost);
        f.timeLabels = NumberLabels(f.timeTicks);
        f.timeTitle = timeAxis_ == TimeAxis::Elapsed ? QStringLiteral("时间 (s), 自序列开始 (since the series began)")
                                                     : QStringLiteral("时间 (s), 自序列开始 (no clock time known)");
    }
    return f;
}

void TrendPlot::DrawFrame(QPainter& p, const Frame& f) const {
    const QFontMetrics metrics(font(), p.device());
    const int gap = 6;
    const int margin = 8;
    const QRect& plot = f.plot;
    p.fillRect(QRect(QPoint(0, 0), f.size), kCard);
    p.setFont(font());
    int labelWidth = 0;
    for (const QString& label : f.valueLabels) labelWidth = std::max(labelWidth, metrics.horizontalAdvance(label));

    // Grid and tick labels.
    for (int i = 0; i < f.valueLabels.size(); ++i) {
        const int y = ValueToY(f.valueTicks.values[static_cast<std::size_t>(i)], plot);
        p.setPen(kGrid);
        p.drawLine(plot.left(), y, plot.right(), y);
        p.setPen(kText);
        p.drawText(QRect(plot.left() - gap - labelWidth, y - f.line / 2, labelWidth, f.line), Qt::AlignRight | Qt::AlignVCenter,
                   f.valueLabels[i]);
    }
    const int timeLabelWidth = metrics.horizontalAdvance(QStringLiteral("00:00:00.000"));
    for (int i = 0; i < f.timeLabels.size(); ++i) {
        const double t = f.timeTicks.values[static_cast<std::size_t>(i)];
        // The same mapping as the trend's pixel columns.
        const int x = plot.left() + std::clamp(static_cast<int>(std::floor(XOfTime(t, plot) - plot.left())), 0, plot.width() - 1);
        p.setPen(kGrid);
        p.drawLine(x, plot.top(), x, plot.bottom());
        p.setPen(kText);
        p.drawText(QRect(x - timeLabelWidth, plot.bottom() + gap / 2, 2 * timeLabelWidth, f.line), Qt::AlignHCenter | Qt::AlignTop,
                   f.timeLabels[i]);
    }
    p.setPen(kFrame);
    p.drawRect(plot.adjusted(0, 0, -1, -1));

    // Titles: time below, the value's name up the left side, the picture's
    // on top; above the plot the legend and the reference of an offset.
    QFont bold = font();
    bold.setBold(true);
    p.setPen(kText);
    int row = margin;
    if (!f.title.isEmpty()) {
        p.setFont(bold);
        p.drawText(QRect(plot.left(), row, plot.width(), f.line), Qt::AlignCenter, f.title);
        row += f.line + gap;
    }
    p.setFont(font());
    int x = plot.left();
    if (f.legend) {
        for (const Series* s : Shown()) {
            const QString name = QString::fromStdString(s->source->Name());
            p.fillRect(QRect(x, row + f.line / 2 - 2, 14, 4), s->colour);
            x += 18;
            p.drawText(QRect(x, row, metrics.horizontalAdvance(name) + 2, f.line), Qt::AlignLeft | Qt::AlignVCenter, name);
            x += metrics.horizontalAdvance(name) + 16;
        }
    }
    if (!f.note.isEmpty()) {
        p.drawText(QRect(x, row, std::max(0, plot.right() - x), f.line), Qt::AlignRight | Qt::AlignVCenter, f.note);
    }
    p.setFont(bold);
    p.drawText(QRect(plot.left(), plot.bottom() + gap / 2 + f.line, plot.width(), f.line + gap), Qt::AlignCenter, f.timeTitle);
    p.save();
    p.translate(margin, plot.center().y());
    p.rotate(-90);
    p.drawText(QRect(-plot.height() / 2, 0, plot.height(), f.line), Qt::AlignCenter, f.valueTitle);
    p.restore();
    p.setFont(font());
}

void TrendPlot::DrawBackground() {
    backgroundStale_ = false;
    if (valueAxis_ == ValueAxis::FromMean) {
        const Series* primary = Primary();
        meanRef_ = primary != nullptr && !primary->source->Empty() ? primary->source->Mean() : 0.0;
    }
    frame_ = MakeFrame(size(), this, false);
    plot_ = frame_.plot;
    const qreal ratio = devicePixelRatioF();
    background_ = QImage(size() * ratio, QImage::Format_RGB32);
    background_.setDevicePixelRatio(ratio);
    QPainter p(&background_);
    DrawFrame(p, frame_);
}

// ----------------------------------------------------------------- the line

void TrendPlot::DrawSeries(QPainter& p, const QRect& plot, const Series& s, const std::vector<TrendColumn>& columns, int from,
                           int to) const {
    const int n = static_cast<int>(columns.size());
    if (n == 0) return;
    // The columns asked for, and the used neighbours the line joins them to.
    from = std::clamp(from, 0, n - 1);
    to = std::clamp(to, 0, n - 1);
    while (from > 0 && !columns[from - 1].used) --from;
    if (from > 0) --from;
    while (to < n - 1 && !columns[to + 1].used) ++to;
    if (to < n - 1) ++to;
    points_.clear();
    for (int c = from; c <= to; ++c) {
        const TrendColumn& column = columns[c];
        if (!column.used) continue;
        const int x = plot.left() + c;
        const int low = ValueToY(column.min, plot);
        const int high = ValueToY(column.max, plot);
        points_.emplace_back(x, low);
        if (high != low) points_.emplace_back(x, high);
    }
    // The line leaves the plot towards the readings beyond its edges.
    const auto edge = [&](QPointF inside, QPointF outside, int x) {
        const double f = (x - inside.x()) / (outside.x() - inside.x());
        const double y = std::clamp(inside.y() + f * (outside.y() - inside.y()), double(plot.top()), double(plot.bottom()));
        return QPoint(x, static_cast<int>(std::lround(y)));
    };
    const bool all = from == 0 && to == n - 1;
    if (all && points_.empty() && s.before && s.after) {
        points_.push_back(edge(*s.after, *s.before, plot.left()));
        points_.push_back(edge(*s.before, *s.after, plot.right()));
    } else if (!points_.empty()) {
        if (from == 0 && s.before && s.before->x() < points_.front().x())
            points_.insert(points_.begin(), edge(points_.front(), *s.before, plot.left()));
        if (to == n - 1 && s.after && s.after->x() > points_.back().x())
            points_.push_back(edge(points_.back(), *s.after, plot.right()));
    }
    if (points_.empty()) return;
    QPen pen(s.colour);
    pen.setWidth(0);  // cosmetic, one pixel: the painter's fast path
    p.setPen(pen);
    if (points_.size() == 1) {
        p.drawPoint(points_.front());
    } else {
        p.drawPolyline(points_.data(), static_cast<int>(points_.size()));
    }
}

std::optional<QLineF> TrendPlot::DriftLine(const QRect& plot, const Series& s) const {
    const TrendLine fit = s.source->Drift();
    if (!fit.valid) return std::nullopt;
    const auto at = [&](double t) { return fit.intercept + fit.slope * (t - s.shift); };
    const QPointF a(plot.left(), ValueToYF(at(range_.left), plot));
    const QPointF b(plot.right() + 1, ValueToYF(at(range_.right), plot));
    return ClipRows(a, b, plot.top(), plot.bottom());
}

void TrendPlot::DrawDrift(QPainter& p, const QRect& plot, const Series& s) const {
    const auto line = DriftLine(plot, s);
    if (!line) return;
    QPen pen(s.colour.darker(150));
    pen.setWidthF(1.5);
    pen.setStyle(Qt::DashLine);
    p.setPen(pen);
    p.drawLine(*line);
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
    p.setClipRect(plot_.intersected(r));
    for (const Series* s : Shown()) {
        DrawSeries(p, plot_, *s, s->columns, r.left() - plot_.left(), r.right() - plot_.left());
    }
    if (driftShown_) {
        driftDrawn_.clear();
        for (const Series* s : Shown()) {
            if (auto line = DriftLine(plot_, *s)) driftDrawn_.push_back(*line);
            DrawDrift(p, plot_, *s);
        }
    }
}

void TrendPlot::Render(QPainter& p, QSize size) const {
    const Frame f = MakeFrame(size, p.device(), true);
    DrawFrame(p, f);
    p.save();
    p.setClipRect(f.plot);
    std::vector<TrendColumn> columns;
    for (const Series* s : Shown()) {
        Series copy;  // the edges at the picture's plot
        copy.source = s->source;
        copy.colour = s->colour;
        copy.shift = s->shift;
        s->source->Columns(range_.left - s->shift, range_.right - s->shift, f.plot.width(), columns);
        Edges(copy, f.plot);
        DrawSeries(p, f.plot, copy, columns, 0, f.plot.width() - 1);
        if (driftShown_) DrawDrift(p, f.plot, copy);
    }
    p.restore();
}

// ---------------------------------------------------------------- the mouse

void TrendPlot::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0.0 || plot_.isEmpty()) return;
    const double factor = std::pow(kZoomStep, notches);
    const QPointF at = event->position();
    if (event->modifiers() & Qt::ControlModifier) {
        const double v = ValueAtY(at.y());
        ZoomValues(v - (v - range_.low) * factor, v + (range_.high - v) * factor);
    } else {
        const double t = TimeAtX(at.x());
        ZoomTime(t - (t - range_.left) * factor, t + (range_.right - t) * factor);
    }
    event->accept();
}

void TrendPlot::mousePressEvent(QMouseEvent* event) {
    pressAt_ = event->position().toPoint();
    pressRange_ = range_;
    const bool pan = event->button() == Qt::RightButton ||
                     (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier));
    if (pan) {
        panning_ = true;
        setCursor(Qt::ClosedHandCursor);
    } else if (event->button() == Qt::LeftButton) {
        if (band_ == nullptr) band_ = new QRubberBand(QRubberBand::Rectangle, this);
        band_->setGeometry(QRect(pressAt_, QSize()));
        band_->show();
    }
    event->accept();
}

void TrendPlot::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (panning_) {
        const double perX = (pressRange_.right - pressRange_.left) / std::max(plot_.width(), 1);
        const double dt = (at.x() - pressAt_.x()) * perX;
        range_.left = pressRange_.left - dt;
        range_.right = pressRange_.right - dt;
        range_.set = true;
        if (!valuesAuto_) {
            const double perY = (pressRange_.high - pressRange_.low) / std::max(plot_.height() - 1, 1);
            const double dv = (at.y() - pressAt_.y()) * perY;
            range_.low = pressRange_.low + dv;
            range_.high = pressRange_.high + dv;
        }
        ViewChanged(false);
    } else if (band_ != nullptr && band_->isVisible()) {
        band_->setGeometry(QRect(pressAt_, at).normalized().intersected(plot_));
    }
    event->accept();
}

void TrendPlot::mouseReleaseEvent(QMouseEvent* event) {
    if (panning_) {
        panning_ = false;
        setCursor(Qt::CrossCursor);
    } else if (band_ != nullptr && band_->isVisible()) {
        band_->hide();
        const QRect r = QRect(pressAt_, event->position().toPoint()).normalized().intersected(plot_);
        // A flat rectangle zooms the time alone, a narrow one the values alone.
        const bool times = r.width() >= kBandMinimum;
        const bool values = r.height() >= kBandMinimum;
        if (values) {
            const double low = ValueAtY(r.bottom() + 1), high = ValueAtY(r.top());
            range_.low = low;
            range_.high = high;
        }
        if (times && values) {
            valuesAuto_ = false;
            ZoomTime(TimeAtX(r.left()), TimeAtX(r.right() + 1));
        } else if (times) {
            ZoomTime(TimeAtX(r.left()), TimeAtX(r.right() + 1));
        } else if (values) {
            ZoomValues(range_.low, range_.high);
        }
    }
    event->accept();
}

void TrendPlot::mouseDoubleClickEvent(QMouseEvent* event) {
    if (band_ != nullptr) band_->hide();
    Follow();
    event->accept();
}

}  // namespace kt::view
