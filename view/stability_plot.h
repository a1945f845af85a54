// The stability chart: deviations against averaging time on log-log axes
// with decade ticks, every point drawn with its confidence interval as an
// error bar, several curves in their colours with a legend, and, on request,
// guide lines of the power-law noise slopes. Drawn with QPainter by one
// function (Render), so that the window, a PNG and an SVG show the same
// picture at any size.
#pragma once

#include <vector>

#include <QColor>
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

    QSize sizeHint() const override { return {520, 320}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<PlotCurve> curves_;
    QString title_;
    QString value_;
    bool guides_ = false;
    int barsShown_ = 0;
};

// Decade labels: "1", "10", "0.01" near 1, "10⁻¹²" elsewhere.
QString DecadeLabel(int exponent);

}  // namespace kt::view
