// The stability chart on the screen keeps its frame as a picture: what a
// paint shows must equal the chart drawn whole into an image after every
// kind of change, and the frame is drawn again exactly when it changes.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include <QImage>
#include <QPainter>
#include <QPixmap>

#include "view/stability_plot.h"

namespace kt::test {
namespace {

using view::PlotCurve;

// A curve falling as tau^-1/2 from `start` at tau = 1 s, `points` octaves,
// with an interval of +-20 % (the decades shown reach 20 % beyond the points).
PlotCurve Curve(const char* label, QColor colour, double start, int points) {
    PlotCurve c{QString::fromUtf8(label), colour, {}};
    for (int k = 0; k < points; ++k) {
        DevPoint p;
        p.tau = std::ldexp(1.0, k);
        p.value = start / std::sqrt(p.tau);
        p.low = 0.8 * p.value;
        p.high = 1.2 * p.value;
        c.points.push_back(p);
    }
    return c;
}

// Pixels that differ between two pictures of the same size, or -1 when the
// sizes differ.
int Differing(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return -1;
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    int differing = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int column = 0; column < x.width(); ++column) differing += p[column] != q[column] ? 1 : 0;
    }
    return differing;
}

TEST(StabilityPlot, APaintShowsTheChartDrawnWholeAfterEveryKindOfChange) {
    view::StabilityPlot plot;
    plot.resize(640, 420);
    const QColor blue(30, 90, 200), orange(220, 110, 20), green(40, 150, 60);
    // The decades of these curves: tau 1 to 1000 s (10 octaves), values
    // 10^-12 to 10^-10 (4e-11 falling to 1.25e-12, the interval 20 % around).
    const std::vector<PlotCurve> one{Curve("live", blue, 4e-11, 10)};
    const struct Step {
        const char* what;
        std::function<void()> change;
        bool newFrame;  // the frame is drawn again
    } steps[] = {
        {"the first paint", [&] { plot.SetTitles(QStringLiteral("oadev (octave)"), QStringLiteral("σ(τ)")); plot.SetCurves(one); }, true},
        {"the same curve again", [&] { plot.SetCurves(one); }, false},
        {"other values within the same decades", [&] { plot.SetCurves({Curve("live", blue, 5e-11, 9)}); }, false},
        {"the noise slopes shown", [&] { plot.SetGuides(true); }, false},
        {"a second curve, the legend still one row",
         [&] { plot.SetCurves({Curve("live", blue, 5e-11, 9), Curve("a.csv", orange, 3e-11, 8)}); }, false},
        {"a curve reaching a decade lower", [&] { plot.SetCurves({Curve("live", blue, 5e-11, 9), Curve("a.csv", orange, 3e-11, 14)}); }, true},
        {"a longer tau alone", [&] { plot.SetCurves({Curve("live", blue, 4e-11, 16)}); }, true},
        {"the title", [&] { plot.SetTitles(QStringLiteral("mdev (all)"), QStringLiteral("σ(τ)")); }, true},
        {"the value's title", [&] { plot.SetTitles(QStringLiteral("mdev (all)"), QStringLiteral("mod σ(τ)")); }, true},
        {"a resize", [&] { plot.resize(800, 500); }, true},
        {"a smaller one", [&] { plot.resize(500, 330); }, true},
        {"the legend in two rows",
         [&] {
             // The decades as before: only the plot's top moves.
             plot.SetCurves({Curve("live, FREQUENCY 1, 10,000,000", blue, 4e-11, 16),
                             Curve("first recording.csv, FREQUENCY 1, 700", orange, 3.5e-11, 16),
                             Curve("second recording.csv, FREQUENCY 1, 800", green, 3e-11, 16)});
         },
         true},
        {"the noise slopes hidden", [&] { plot.SetGuides(false); }, false},
        {"no curves: the empty decades", [&] { plot.SetCurves({}); }, true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        const int framesBefore = plot.FramesDrawn();
        step.change();
        const QImage shown = plot.grab().toImage();
        EXPECT_EQ(plot.FramesDrawn() - framesBefore, step.newFrame ? 1 : 0);
        QImage whole(shown.size(), shown.format());
        whole.fill(Qt::black);  // the chart covers it all
        {
            QPainter painter(&whole);
            painter.setFont(plot.font());
            EXPECT_EQ(plot.Render(painter, QRectF(QPointF(0, 0), plot.size())), plot.ErrorBarsShown());
        }
        EXPECT_EQ(Differing(shown, whole), 0);
    }
}

}  // namespace
}  // namespace kt::test
