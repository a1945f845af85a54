// The trend chart of the readings window: value against time, one stroke per
// pixel column from its smallest to its largest value, joined into one line.
// The columns come from each series' min/max pyramid (TrendSource), so a
// redraw costs about the same at a thousand readings and at ten million.
//
// While it follows the stream the time axis runs from the series' start to a
// step beyond its latest reading; a new reading repaints just the pixel
// columns whose content changed, over a picture of the frame, grid, tick
// labels and titles that is drawn again only when the range, the titles or
// the size change.
//
// The user zooms and pans (see kTrendMouseHelp): the mouse wheel zooms the
// time axis about the cursor, Ctrl+wheel the value axis, a rectangle dragged
// with the left button zooms into it, a drag with the right button (or
// Shift and the left) pans; a double-click or Follow() returns to following.
// The values of a zoomed time range fit what it shows until a rectangle or
// Ctrl+wheel sets them.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include <QColor>
#include <QImage>
#include <QLineF>
#include <QPointF>
#include <QString>
#include <QWidget>

#include "measurements/trend_source.h"
#include "view/trend_columns.h"

class QPainter;
class QRubberBand;

namespace kt::view {

// How the mouse zooms and pans the trend, in the user's words (tool tip, README).
extern const char* const kTrendMouseHelp;

class TrendPlot : public QWidget {
    Q_OBJECT
public:
    // The time axis: seconds since the series began, or clock time.
    enum class TimeAxis { Elapsed, Utc, Local };
    // The value axis: in the reading's unit, or the fractional offset
    // (v - ref) / ref from the series' mean or from a nominal value.
    enum class ValueAxis { Unit, FromMean, FromNominal };

    explicit TrendPlot(QWidget* parent = nullptr);

    // The stream's series. It may grow between calls of Refresh (on this
    // thread); a new series (another function, a Clear) is a new object.
    // nullptr hides it (to show a trace alone; SetLive(live) shows it again).
    void SetLive(std::shared_ptr<const TrendSource> live);
    // Another series shown in the same trend beside the live one (a
    // recording opened as a trace, say), in `colour` (a default one when
    // invalid); nullptr shows the live series alone. The trace is held, never
    // changed: times (seconds from its start) and values, its name for the
    // legend and, for clock time, its wall-clock origin (TrendSource's
    // setters, before it is handed over). On a clock-time axis each series is
    // placed at its own clock time; on seconds since the series began they
    // start together, to be compared. A trace may be built on a worker
    // (Append each reading, SetName) and handed over when done.
    void ShowSeries(std::shared_ptr<const TrendSource> trace, const QColor& colour = QColor());
    const std::shared_ptr<const TrendSource>& ShownSeries() const { return trace_.source; }
    // Takes in what the live series gained: repaints what changed.
    void Refresh();

    // The name of the value (at the left; with its unit when shown in it),
    // and the title of an exported picture.
    void SetValueName(const QString& name, const QString& unit);
    void SetTitle(const QString& title);
    const QString& Title() const { return title_; }
    void SetTimeAxis(TimeAxis axis);
    // nominal is in the series' unit and used with FromNominal; it must be
    // finite and not 0 (else the axis stays as it was: false).
    bool SetValueAxis(ValueAxis axis, double nominal = 0.0);
    // The least-squares drift line of each series, dashed in its colour.
    void SetDriftShown(bool shown);

    bool Following() const { return following_; }
    // Back to following the stream: the whole series, values fitted.
    void Follow();
    // Shows times t0..t1 (and leaves following); the values fit what it shows.
    void ZoomTime(double t0, double t1);
    // Shows values low..high (in the reading's unit); they stay until Follow().
    void ZoomValues(double low, double high);

    const TrendRange& Range() const { return range_; }
    // The plot area inside the widget, in its coordinates.
    QRect PlotArea() const { return plot_; }
    // The time and the value at a point of the widget.
    double TimeAtX(double x) const;
    double ValueAtY(double y) const;
    // The ticks of the value axis as labelled, and its title.
    const QStringList& ValueLabels() const { return frame_.valueLabels; }
    const QStringList& TimeLabels() const { return frame_.timeLabels; }
    QString ValueTitle() const { return frame_.valueTitle; }
    QString TimeTitle() const { return frame_.timeTitle; }

    // The whole chart at `size` (title, axes, legend when there are two
    // series, every series and drift line) into painter: the export.
    void Render(QPainter& painter, QSize size) const;

signals:
    void followingChanged(bool following);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    struct Series {
        std::shared_ptr<const TrendSource> source;
        QColor colour;
        double shift = 0.0;                 // seconds added to its times on the axis
        std::vector<TrendColumn> columns;   // as drawn
        std::optional<QPointF> before, after;  // the readings just outside the time range
    };
    // Everything that depends on the range, the size and the titles.
    struct Frame {
        QSize size;
        QRect plot;
        int line = 0;
        AxisTicks valueTicks;       // in the reading's unit
        QStringList valueLabels;
        AxisTicks timeTicks;
        QStringList timeLabels;
        QString valueTitle;
        QString timeTitle;
        QString note;               // the reference of an offset axis
        QString title;              // exports only
        bool legend = false;
    };
    std::vector<Series*> Shown();
    std::vector<const Series*> Shown() const;
    const Series* Primary() const;
    void UpdateShifts();
    void ViewChanged(bool following);
    // The frame for `size`, measured with the font on `device`.
    Frame MakeFrame(QSize size, const QPaintDevice* device, bool exported) const;
    void DrawFrame(QPainter& p, const Frame& frame) const;
    void DrawSeries(QPainter& p, const QRect& plot, const Series& s, const std::vector<TrendColumn>& columns, int from,
                    int to) const;
    void DrawDrift(QPainter& p, const QRect& plot, const Series& s) const;
    void Edges(Series& s, const QRect& plot) const;
    std::optional<QLineF> DriftLine(const QRect& plot, const Series& s) const;
    void ComputeColumns(Series& s, int width, std::vector<TrendColumn>& out) const;
    void DrawBackground();
    double ValueToYF(double v, const QRect& plot) const;
    int ValueToY(double v, const QRect& plot) const;
    double XOfTime(double t, const QRect& plot) const;
    double Reference() const;

    Series live_;
    Series trace_;
    TrendRange range_;
    bool following_ = true;
    bool valuesAuto_ = true;
    TimeAxis timeAxis_ = TimeAxis::Elapsed;
    ValueAxis valueAxis_ = ValueAxis::Unit;
    double nominal_ = 0.0;
    double meanRef_ = 0.0;  // the mean the offset axis was last labelled from
    bool driftShown_ = false;
    QString valueName_;
    QString valueUnit_;
    QString title_;

    Frame frame_;
    QImage background_;  // in the backing store's format: drawn in parts without conversion
    QRect plot_;
    bool backgroundStale_ = true;
    std::vector<TrendColumn> fresh_;
    mutable std::vector<QPoint> points_;  // integer points: the painter's fast path
    std::vector<QLineF> driftDrawn_;

    // Mouse: a rectangle being dragged, or a pan.
    QRubberBand* band_ = nullptr;
    QPoint pressAt_;
    bool panning_ = false;
    TrendRange pressRange_;
};

}  // namespace kt::view
