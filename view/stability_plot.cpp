#include "view/stability_plot.h"

#include <algorithm>
#include <cmath>

#include <QFile>
#include <QFontMetricsF>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QPaintEngine>
#include <QPainterPath>
#include <QtMath>
#include <QSvgGenerator>

namespace kt::view {

namespace {

bool Positive(double v) { return std::isfinite(v) && v > 0.0; }

// The slopes of sigma(tau) on log-log axes for the power-law noises
// S_y(f) ~ f^alpha: the Allan variance goes as tau^mu with mu = -alpha - 1
// for -3 <= alpha <= 0 and mu = -2 for both kinds of phase noise (alpha = 2
// and 1; NIST SP 1065, W. J. Riley 2008, its table of the power-law noises'
// Allan variance, the same mu the B1 noise identification expects), so sigma
// goes as tau^(mu/2): tau^-1 for white and flicker PM (flicker PM with a
// logarithmic factor), tau^-1/2 white FM, tau^0 flicker FM, tau^+1/2
// random-walk FM.
struct Guide {
    double slope;
    const char* text;
};
constexpr Guide kGuides[] = {{-1.0, "τ⁻¹ PM"}, {-0.5, "τ⁻½ white FM"}, {0.0, "τ⁰ flicker FM"}, {0.5, "τ½ RW FM"}};

}  // namespace

QString DecadeLabel(int exponent) {
    if (exponent >= -3 && exponent <= 4) return QString::number(std::pow(10.0, exponent), 'g', 8);
    static const QString superscripts = QStringLiteral("⁰¹²³⁴⁵⁶⁷⁸⁹");
    QString text = QStringLiteral("10");
    if (exponent < 0) text += QChar(0x207B);
    for (QChar c : QString::number(std::abs(exponent))) text += superscripts[c.digitValue()];
    return text;
}

StabilityPlot::StabilityPlot(QWidget* parent) : QWidget(parent) {
    setMinimumSize(320, 220);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void StabilityPlot::SetCurves(std::vector<PlotCurve> curves) {
    curves_ = std::move(curves);
    update();
}

void StabilityPlot::SetTitles(const QString& title, const QString& value) {
    if (title == title_ && value == value_) return;
    title_ = title;
    value_ = value;
    update();
}

void StabilityPlot::SetGuides(bool shown) {
    if (shown == guides_) return;
    guides_ = shown;
    update();
}

StabilityPlot::Layout StabilityPlot::Arrange(const QFont& font, const QRectF& area) const {
    Layout l;
    l.area = area;
    const QFontMetricsF fm(font);
    l.line = fm.height();
    l.titleBox = QRectF(area.left(), area.top() + 2, area.width(), l.line + 4);
    // The legend in rows under the title, as many entries a row as fit.
    const double left = area.left() + fm.horizontalAdvance(QStringLiteral("10⁻¹⁰")) + l.line + 14;
    const double right = area.right() - fm.horizontalAdvance(QStringLiteral("10000")) / 2 - 6;
    double legendBottom = l.titleBox.bottom();
    {
        double x = left, y = l.titleBox.bottom() + 2;
        for (const PlotCurve& c : curves_) {
            const double labelWidth = fm.horizontalAdvance(c.label);
            const double w = 28 + labelWidth + 14;
            if (x > left && x + w > right) {
                x = left;
                y += l.line + 2;
            }
            l.legend.push_back({QPointF(x, y), labelWidth});
            x += w;
            legendBottom = y + l.line;
        }
    }
    l.plot = QRectF(left, legendBottom + 6, right - left, area.bottom() - legendBottom - 2 * l.line - 18);
    l.drawn = l.plot.width() >= 20 && l.plot.height() >= 20;

    // Whole decades around every point and its interval.
    double t0 = 0, t1 = 0, v0 = 0, v1 = 0;
    for (const PlotCurve& c : curves_) {
        for (const DevPoint& p : c.points) {
            if (!Positive(p.tau) || !Positive(p.value)) continue;
            const double lo = Positive(p.low) ? std::min(p.low, p.value) : p.value;
            const double hi = Positive(p.high) ? std::max(p.high, p.value) : p.value;
            if (!l.any) {
                t0 = t1 = p.tau;
                v0 = lo;
                v1 = hi;
                l.any = true;
            }
            t0 = std::min(t0, p.tau);
            t1 = std::max(t1, p.tau);
            v0 = std::min(v0, lo);
            v1 = std::max(v1, hi);
        }
    }
    if (l.any) {
        l.x0 = static_cast<int>(std::floor(std::log10(t0) + 1e-9));
        l.x1 = static_cast<int>(std::ceil(std::log10(t1) - 1e-9));
        l.y0 = static_cast<int>(std::floor(std::log10(v0) + 1e-9));
        l.y1 = static_cast<int>(std::ceil(std::log10(v1) - 1e-9));
        if (l.x1 <= l.x0) l.x1 = l.x0 + 1;
        if (l.y1 <= l.y0) l.y1 = l.y0 + 1;
    }
    return l;
}

double StabilityPlot::Layout::X(double tau) const {
    return plot.left() + (std::log10(tau) - x0) / (x1 - x0) * plot.width();
}

double StabilityPlot::Layout::Y(double v) const {
    return plot.bottom() - (std::log10(v) - y0) / (y1 - y0) * plot.height();
}

void StabilityPlot::DrawFrame(QPainter& painter, const Layout& l) const {
    // The background, the title on top, the value's title turned on the
    // left, tau below, the grid with its decade ticks and labels.
    const QRectF& area = l.area;
    const QRectF& plot = l.plot;
    const double line = l.line;
    painter.fillRect(area, Qt::white);
    painter.setPen(Qt::black);
    const QFont plain = painter.font();
    QFont bold = plain;
    bold.setBold(true);
    painter.setFont(bold);
    painter.drawText(l.titleBox, Qt::AlignCenter, title_);
    painter.setFont(plain);
    if (!l.drawn) return;

    // The grid at the decades and at 2..9 times them. Its lines run along
    // the axes: drawn without antialiasing, each is one crisp pixel wide
    // (antialiased, one at a fraction of a pixel is spread over two, and
    // drawing them so is most of the frame's time).
    const QPen grid(QColor(225, 225, 225), 0);
    const QPen minor(QColor(242, 242, 242), 0);
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (int k = l.x0; k <= l.x1; ++k) {
        for (int j = 2; j <= 9 && k < l.x1; ++j) {
            painter.setPen(minor);
            const double x = l.X(j * std::pow(10.0, k));
            painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        }
        const double x = l.X(std::pow(10.0, k));
        painter.setPen(grid);
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    }
    for (int k = l.y0; k <= l.y1; ++k) {
        for (int j = 2; j <= 9 && k < l.y1; ++j) {
            painter.setPen(minor);
            const double y = l.Y(j * std::pow(10.0, k));
            painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        }
        const double y = l.Y(std::pow(10.0, k));
        painter.setPen(grid);
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    }
    painter.setRenderHint(QPainter::Antialiasing, true);
    // Decade ticks and their labels.
    painter.setPen(Qt::black);
    for (int k = l.x0; k <= l.x1; ++k) {
        const double x = l.X(std::pow(10.0, k));
        painter.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + 5));
        painter.drawText(QRectF(x - 40, plot.bottom() + 6, 80, line), Qt::AlignHCenter | Qt::AlignTop, DecadeLabel(k));
    }
    for (int k = l.y0; k <= l.y1; ++k) {
        const double y = l.Y(std::pow(10.0, k));
        painter.drawLine(QPointF(plot.left() - 5, y), QPointF(plot.left(), y));
        painter.drawText(QRectF(area.left() + line, y - line / 2, plot.left() - area.left() - line - 7, line),
                         Qt::AlignRight | Qt::AlignVCenter, DecadeLabel(k));
    }
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot);
    painter.drawText(QRectF(plot.left(), plot.bottom() + line + 8, plot.width(), line), Qt::AlignCenter,
                     QStringLiteral("τ (s)"));
    painter.save();
    painter.translate(area.left() + 2, plot.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-plot.height() / 2, 0, plot.height(), line), Qt::AlignCenter, value_);
    painter.restore();
}

int StabilityPlot::DrawData(QPainter& painter, const Layout& l) const {
    if (!l.drawn) return 0;
    const QRectF& plot = l.plot;
    const double line = l.line;
    const int x0 = l.x0, x1 = l.x1, y0 = l.y0, y1 = l.y1;
    const auto X = [&l](double tau) { return l.X(tau); };
    const auto Y = [&l](double v) { return l.Y(v); };
    painter.setClipRect(plot.adjusted(-4, -4, 4, 4));
    // Noise slopes through the first point of the first curve.
    if (guides_ && l.any) {
        const PlotCurve* first = nullptr;
        for (const PlotCurve& c : curves_)
            if (first == nullptr && !c.points.empty() && Positive(c.points.front().value)) first = &c;
        if (first != nullptr) {
            const DevPoint& p = first->points.front();
            QPen dashed(QColor(140, 140, 140), 1, Qt::DashLine);
            for (const Guide& g : kGuides) {
                const auto at = [&](double tau) { return p.value * std::pow(tau / p.tau, g.slope); };
                // The part inside the plot, cut here rather than by clipping,
                // which an SVG viewer need not honour.
                double la = x0, lb = x1;
                if (g.slope != 0.0) {
                    const double l0 = std::log10(p.tau) + (y0 - std::log10(p.value)) / g.slope;
                    const double l1 = std::log10(p.tau) + (y1 - std::log10(p.value)) / g.slope;
                    la = std::max<double>(la, std::min(l0, l1));
                    lb = std::min<double>(lb, std::max(l0, l1));
                }
                if (la >= lb) continue;
                const double a = std::pow(10.0, la), b = std::pow(10.0, lb);
                painter.setPen(dashed);
                painter.drawLine(QPointF(X(a), Y(at(a))), QPointF(X(b), Y(at(b))));
                // The label at the right, or where the line leaves the plot.
                double labelLog = x0 + 0.85 * (x1 - x0);
                if (g.slope != 0.0) {
                    const double edge = g.slope > 0.0 ? y1 : y0;
                    const double leaves = std::log10(p.tau) + (edge - std::log10(p.value)) / g.slope;
                    labelLog = std::max<double>(x0, std::min(labelLog, leaves - 0.25 * (x1 - x0) / 4));
                }
                const double labelTau = std::pow(10.0, labelLog);
                painter.setPen(QColor(110, 110, 110));
                painter.drawText(QPointF(X(labelTau) + 3, Y(at(labelTau)) - 3), QString::fromUtf8(g.text));
            }
        }
    }

    // The curves: a line through the points, a marker, the interval as a bar with caps.
    int bars = 0;
    for (const PlotCurve& c : curves_) {
        QPainterPath path;
        bool started = false;
        for (const DevPoint& p : c.points) {
            if (!Positive(p.tau) || !Positive(p.value)) continue;
            const QPointF at(X(p.tau), Y(p.value));
            if (!started) path.moveTo(at);
            else path.lineTo(at);
            started = true;
        }
        painter.setPen(QPen(c.colour, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
        for (const DevPoint& p : c.points) {
            if (!Positive(p.tau) || !Positive(p.value)) continue;
            const double x = X(p.tau);
            if (Positive(p.low) && Positive(p.high)) {
                painter.setPen(QPen(c.colour, 1.2));
                const double top = Y(p.high), bottom = Y(p.low);
                painter.drawLine(QPointF(x, top), QPointF(x, bottom));
                painter.drawLine(QPointF(x - 3.5, top), QPointF(x + 3.5, top));
                painter.drawLine(QPointF(x - 3.5, bottom), QPointF(x + 3.5, bottom));
                ++bars;
            }
            painter.setPen(QPen(c.colour, 1));
            painter.setBrush(c.colour);
            painter.drawEllipse(QPointF(x, Y(p.value)), 2.8, 2.8);
        }
    }
    painter.setClipping(false);

    // The legend: each curve's colour and label.
    for (std::size_t i = 0; i < curves_.size(); ++i) {
        const double x = l.legend[i].at.x(), y = l.legend[i].at.y() + line / 2;
        painter.setPen(QPen(curves_[i].colour, 2));
        painter.drawLine(QPointF(x, y), QPointF(x + 22, y));
        painter.setBrush(curves_[i].colour);
        painter.drawEllipse(QPointF(x + 11, y), 2.8, 2.8);
        painter.setPen(Qt::black);
        painter.drawText(QRectF(x + 28, y - line / 2, l.legend[i].width + 6, line), Qt::AlignLeft | Qt::AlignVCenter,
                         curves_[i].label);
    }
    return bars;
}

int StabilityPlot::Render(QPainter& painter, const QRectF& area) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const Layout layout = Arrange(painter.font(), area);
    DrawFrame(painter, layout);
    const int bars = DrawData(painter, layout);
    painter.restore();
    return bars;
}

void StabilityPlot::paintEvent(QPaintEvent*) {
    // The frame (background, titles, grid, ticks and their labels, most of
    // the time a paint takes) is drawn once into a picture of the device's
    // pixels and copied; only the curves and the legend are drawn each time.
    QPainter painter(this);
    const Layout layout = Arrange(painter.font(), rect());
    const QPaintDevice* device = painter.paintEngine() != nullptr ? painter.paintEngine()->paintDevice() : nullptr;
    FrameKey key;
    key.dpr = painter.device()->devicePixelRatio();
    key.pixels = QSize(qCeil(width() * key.dpr), qCeil(height() * key.dpr));
    key.format = device != nullptr && device->devType() == QInternal::Image ? static_cast<const QImage*>(device)->format()
                                                                              : QImage::Format_ARGB32_Premultiplied;
    key.dpi = QSize(logicalDpiX(), logicalDpiY());
    key.font = painter.font().key();
    key.title = title_;
    key.value = value_;
    key.plot = {layout.plot.left(), layout.plot.top(), layout.plot.width(), layout.plot.height()};
    key.decades = {layout.x0, layout.x1, layout.y0, layout.y1};
    key.drawn = layout.drawn;
    if (frame_.isNull() || !(key == frameKey_)) {
        frame_ = QImage(key.pixels, key.format);
        frame_.setDevicePixelRatio(key.dpr);
        frame_.setDotsPerMeterX(qRound(key.dpi.width() / 0.0254));
        frame_.setDotsPerMeterY(qRound(key.dpi.height() / 0.0254));
        QPainter framePainter(&frame_);
        framePainter.setFont(painter.font());
        framePainter.setRenderHint(QPainter::Antialiasing);
        DrawFrame(framePainter, layout);
        frameKey_ = std::move(key);
        ++framesDrawn_;
    }
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPointF(0, 0), frame_);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    barsShown_ = DrawData(painter, layout);
}

bool StabilityPlot::SavePng(const QString& path, QSize size) const {
    if (size.isEmpty()) size = this->size();
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setFont(font());
        Render(painter, QRectF(QPointF(0, 0), size));
    }
    return image.save(path, "PNG");
}

bool StabilityPlot::SaveSvg(const QString& path, QSize size) const {
    if (size.isEmpty()) size = this->size();
    {
        QFile probe(path);  // QSvgGenerator does not say whether the file could be written
        if (!probe.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    }
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setResolution(logicalDpiX());  // text as large as on the screen and in the PNG
    svg.setTitle(title_);
    svg.setDescription(value_);
    QPainter painter;
    if (!painter.begin(&svg)) return false;
    painter.setFont(font());
    Render(painter, QRectF(QPointF(0, 0), size));
    return painter.end();
}

}  // namespace kt::view
