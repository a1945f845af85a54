// The stability chart: deviations against averaging time on log-log axes
// with decade ticks, every point drawn with its confidence interval as an
// error bar, several curves in their colours with a legend, and, on request,
// guide lines of the power-law noise slopes. Drawn with QPainter by one
// function (Render), so that the window, a PNG and an SVG show the same
// picture at any size. On the screen the frame (background, titles, grid,
// ticks and their labels) is kept as a picture, drawn again only when the
// size, the decades shown, the titles, the legend's rows, the font or the
// device's pixel ratio change; a paint copies it and draws the curves.
#pragma once

#include <vector>

#include <array>

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QString>
#include <QWidget>

#include "measurements/stability.h"

class QPainter;

namespace kt::view {

struct PlotCurve {
    QString label;  // legend: file name, function, count
    QColor colour;
    std::vector<DevPoint> points;
};

class StabilityPlot : public QWidget {
    Q_OBJECT
public:
    explicit StabilityPlot(QWidget* parent = nullptr);

    void SetCurves(std::vector<PlotCurve> curves);
    void SetTitles(const QString& title, const QString& value);
    void SetGuides(bool shown);
    const std::vector<PlotCurve>& Curves() const { return curves_; }
    const QString& Title() const { return title_; }

    // Draws the whole chart into area. Returns the number of error bars drawn.
    int Render(QPainter& painter, const QRectF& area) const;
    // The chart at size (the size shown when empty), as a PNG or an SVG file.
    // False when the file cannot be written.
    bool SavePng(const QString& path, QSize size = {}) const;
    bool SaveSvg(const QString& path, QSize size = {}) const;
    // Error bars drawn at the last paint.
    int ErrorBarsShown() const { return barsShown_; }
    // Times the frame was drawn for a paint (not copied).
    int FramesDrawn() const { return framesDrawn_; }

    QSize sizeHint() const override { return {520, 320}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Where everything goes in an area, and the decades the axes show.
    struct LegendEntry {
        QPointF at;
        double width;  // of the label
    };
    struct Layout {
        QRectF area;
        QRectF titleBox;
        QRectF plot;
        double line = 0.0;  // the font's height
        bool drawn = false;  // false: too small for a plot, the title alone
        bool any = false;    // a point to show
        int x0 = 0, x1 = 1, y0 = -12, y1 = -9;  // decades of tau and of the value
        std::vector<LegendEntry> legend;
        double X(double tau) const;
        double Y(double value) const;
    };
    // What the frame's picture was drawn for.
    struct FrameKey {
        QSize pixels;
        qreal dpr = 0.0;
        QImage::Format format = QImage::Format_Invalid;
        QSize dpi;
        QString font;
        QString title;
        QString value;
        std::array<double, 4> plot{};
        std::array<int, 4> decades{};
        bool drawn = false;
        bool operator==(const FrameKey&) const = default;
    };
    Layout Arrange(const QFont& font, const QRectF& area) const;
    void DrawFrame(QPainter& painter, const Layout& layout) const;
    // The noise slopes, the curves and the legend; returns the error bars drawn.
    int DrawData(QPainter& painter, const Layout& layout) const;

    std::vector<PlotCurve> curves_;
    QString title_;
    QString value_;
    bool guides_ = false;
    int barsShown_ = 0;
    QImage frame_;
    FrameKey frameKey_;
    int framesDrawn_ = 0;
};

// Decade labels: "1", "10", "0.01" near 1, "10⁻¹²" elsewhere.
QString DecadeLabel(int exponent);

}  // namespace kt::view
