// The trend chart of the readings window: value against time, one stroke per
// pixel column from its smallest to its largest value, joined into one line.
// The frame, grid, tick labels and titles are drawn into a picture only when
// the range, the titles or the size change; a new trend repaints just the
// pixel columns whose content changed (while the stream runs, the few at its
// end), over that picture.
#pragma once

#include <vector>

#include <QImage>
#include <QString>
#include <QWidget>

#include "view/trend_columns.h"

namespace kt::view {

class TrendPlot : public QWidget {
    Q_OBJECT
public:
    explicit TrendPlot(QWidget* parent = nullptr);

    // The titles of the axes (time below, value at the left).
    void SetTitles(const QString& time, const QString& value);
    // Shows trend: fits the range, repaints what differs from the last one shown.
    void Show(const TrendColumns& trend);

    const TrendRange& Range() const { return range_; }
    // The plot area inside the widget, in its coordinates.
    QRect PlotArea() const { return plot_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Lays out axes and labels for the current range and size, and draws them.
    void DrawBackground();
    int ValueToY(double v) const;

    const TrendColumns* trend_ = nullptr;  // the last one shown
    TrendRange range_;
    QString timeTitle_;
    QString valueTitle_;
    QImage background_;  // in the backing store's format: drawn in parts without conversion
    QRect plot_;
    bool backgroundStale_ = true;
    std::vector<TrendColumns::Column> columns_;  // as drawn
    std::vector<TrendColumns::Column> fresh_;
    std::vector<QPoint> points_;
};

}  // namespace kt::view
