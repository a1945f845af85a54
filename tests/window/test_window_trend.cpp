// The trend chart as the user works it: the wheel, a dragged rectangle, a
// pan and Follow change the axes as said; the clock and offset axes; a trace
// beside the live series; the chart exported as PNG and SVG.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <memory>

#include <QApplication>
#include <QComboBox>
#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QWheelEvent>

#include "measurements/trend_source.h"
#include "support/event_loop.h"
#include "view/trend_panel.h"
#include "view/trend_plot.h"

namespace kt::test {
namespace {

using view::TrendPlot;
using view::TrendRange;

struct TrendRig {
    view::TrendPanel panel;
    TrendPlot& plot = *panel.Plot();
    std::shared_ptr<TrendSource> live = std::make_shared<TrendSource>();
    // 100 s of a 10 MHz counter, 10 readings a second, ±0.05 Hz.
    TrendRig() {
        for (int i = 0; i <= 1000; ++i) live->Append(i * 0.1, 1e7 + 0.05 * std::sin(i * 0.05));
        live->SetName("live");
        live->SetUnit(Unit::Hz);
        live->SetClockOrigin(SystemTime(std::chrono::seconds(1796644800)));  // 2026-12-07 12:00:00 UTC
        panel.SetSeriesUnit(Unit::Hz);
        plot.SetValueName(QStringLiteral("FREQUENCY 1"), QStringLiteral("Hz"));
        plot.SetLive(live);
        panel.resize(900, 420);
        panel.show();
        WaitFor([&] { return plot.isVisible() && plot.PlotArea().width() > 100; });
    }
    template <typename T>
    T* Find(const char* name) { return panel.findChild<T*>(QString::fromLatin1(name)); }
    QPointF At(double t, double v) const {
        const QRect a = plot.PlotArea();
        const TrendRange& r = plot.Range();
        return {a.left() + (t - r.left) / (r.right - r.left) * a.width(),
                a.bottom() - (v - r.low) / (r.high - r.low) * (a.height() - 1)};
    }
    void Mouse(QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons held,
               Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QMouseEvent e(type, at, plot.mapToGlobal(at), button, held, mods);
        QApplication::sendEvent(&plot, &e);
    }
    void Drag(QPointF from, QPointF to, Qt::MouseButton button, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        Mouse(QEvent::MouseButtonPress, from, button, button, mods);
        Mouse(QEvent::MouseMove, (from + to) / 2, Qt::NoButton, button, mods);
        Mouse(QEvent::MouseMove, to, Qt::NoButton, button, mods);
        Mouse(QEvent::MouseButtonRelease, to, button, Qt::NoButton, mods);
    }
    void Wheel(QPointF at, int delta, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWheelEvent e(at, plot.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, mods, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&plot, &e);
    }
};

TEST(TrendZoom, WheelRectanglePanAndFollowChangeTheAxesAsSaid) {
    TrendRig rig;
    auto* follow = rig.Find<QPushButton>("cmdTrendFollow");
    ASSERT_TRUE(rig.plot.Following());
    EXPECT_EQ(rig.plot.Range().left, 0.0);
    EXPECT_EQ(rig.plot.Range().right, 200.0);  // a step beyond the latest reading

    // The wheel zooms the time about the cursor: the time under it stays.
    const QPointF cursor = rig.At(40.0, 1e7);
    rig.Wheel(cursor, 120);
    EXPECT_FALSE(rig.plot.Following());
    EXPECT_FALSE(follow->isChecked());
    EXPECT_NEAR(rig.plot.Range().right - rig.plot.Range().left, 200.0 * 0.8, 1e-9);
    EXPECT_NEAR(rig.plot.TimeAtX(cursor.x()), 40.0, 1e-9);
    // Its values fit what it shows; Ctrl+wheel zooms them about the cursor.
    const double low = rig.plot.Range().low, high = rig.plot.Range().high;
    const QPointF valueCursor = rig.At(40.0, 1e7 + 0.02);
    rig.Wheel(valueCursor, -240, Qt::ControlModifier);
    EXPECT_NEAR(rig.plot.Range().high - rig.plot.Range().low, (high - low) / 0.64, 1e-9);
    EXPECT_NEAR(rig.plot.ValueAtY(valueCursor.y()), 1e7 + 0.02, 1e-9);

    // A rectangle: both axes become its edges.
    const QPointF a = rig.At(20.0, 1e7 + 0.03), b = rig.At(30.0, 1e7 - 0.01);
    const double t0 = rig.plot.TimeAtX(std::round(a.x())), v1 = rig.plot.ValueAtY(std::round(a.y()));
    rig.Drag(a, b, Qt::LeftButton);
    EXPECT_NEAR(rig.plot.Range().left, t0, 1e-9);
    EXPECT_NEAR(rig.plot.Range().right, 30.0, 0.5);
    EXPECT_NEAR(rig.plot.Range().high, v1, 1e-9);
    EXPECT_NEAR(rig.plot.Range().low, 1e7 - 0.01, 0.002);

    // A drag with the right button (or Shift and the left) pans by as much.
    const TrendRange before = rig.plot.Range();
    const double perPixel = (before.right - before.left) / rig.plot.PlotArea().width();
    rig.Drag(rig.At(25.0, 1e7), rig.At(25.0, 1e7) + QPointF(-100, 0), Qt::RightButton);
    EXPECT_NEAR(rig.plot.Range().left, before.left + 100 * perPixel, 1e-9);
    rig.Drag(rig.At(25.0, 1e7), rig.At(25.0, 1e7) + QPointF(100, 0), Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_NEAR(rig.plot.Range().left, before.left, 1e-9);
    EXPECT_EQ(rig.plot.Range().low, before.low);  // no vertical move: the values stay

    // New readings do not move a zoomed view; back to following, they do.
    for (int i = 1; i <= 1000; ++i) rig.live->Append(100 + i * 0.1, 1e7);
    rig.plot.Refresh();
    EXPECT_NEAR(rig.plot.Range().left, before.left, 1e-9);
    rig.Mouse(QEvent::MouseButtonDblClick, rig.At(25.0, 1e7), Qt::LeftButton, Qt::LeftButton);
    EXPECT_TRUE(rig.plot.Following());
    EXPECT_TRUE(follow->isChecked());
    EXPECT_EQ(rig.plot.Range().left, 0.0);
    EXPECT_EQ(rig.plot.Range().right, 500.0);
    rig.Wheel(cursor, -120);
    follow->click();
    EXPECT_TRUE(rig.plot.Following());
    EXPECT_EQ(rig.plot.Range().right, 500.0);
}

TEST(TrendAxes, ClockTimeAndFractionalOffsetsLabelledInTheirUnits) {
    TrendRig rig;
    rig.Find<QComboBox>("cboTrendTime")->setCurrentIndex(1);
    EXPECT_EQ(rig.plot.TimeTitle(), QStringLiteral("UTC 2026-12-07"));
    ASSERT_FALSE(rig.plot.TimeLabels().isEmpty());
    EXPECT_EQ(rig.plot.TimeLabels().front(), QStringLiteral("12:00"));  // minutes at 200 s
    rig.plot.ZoomTime(10.0, 10.5);
    EXPECT_EQ(rig.plot.TimeLabels().front(), QStringLiteral("12:00:10.0"));

    // ±0.05 Hz at 10 MHz is ±5 ppb.
    auto* values = rig.Find<QComboBox>("cboTrendValue");
    values->setCurrentIndex(1);
    EXPECT_TRUE(rig.plot.ValueTitle().contains(QLatin1String("(1e-12)")));  // the half second shown
    rig.plot.Follow();
    EXPECT_TRUE(rig.plot.ValueTitle().contains(QLatin1String("(ppb)"))) << rig.plot.ValueTitle().toStdString();
    const QStringList labels = rig.plot.ValueLabels();
    ASSERT_GE(labels.size(), 3);
    EXPECT_LT(std::abs(labels.front().toDouble()), 10.0);
    EXPECT_GT(std::abs(labels.front().toDouble()), 2.0);

    // A nominal value in the counter's own form; a wrong unit or 0 is told.
    auto* nominal = rig.Find<QLineEdit>("txtTrendNominal");
    auto* message = rig.Find<QLabel>("lblTrendMessage");
    values->setCurrentIndex(2);
    EXPECT_TRUE(nominal->isEnabled());
    for (const char* bad : {"10 s", "0 Hz", "ten"}) {
        nominal->setText(QString::fromLatin1(bad));
        emit nominal->editingFinished();
        EXPECT_FALSE(message->text().isEmpty()) << bad;
        EXPECT_TRUE(rig.plot.ValueTitle().contains(QLatin1String("(ppb)"))) << bad;  // as it was
    }
    nominal->setText(QStringLiteral("9.99999 MHz"));  // 1 ppm below the readings
    emit nominal->editingFinished();
    EXPECT_TRUE(message->text().isEmpty()) << message->text().toStdString();
    EXPECT_TRUE(rig.plot.ValueTitle().contains(QLatin1String("(ppb)")));
    EXPECT_GT(rig.plot.ValueLabels().front().toDouble(), 990.0);
}

TEST(TrendAxes, ClockTicksFallOnWholeStepsOfTheShownClock) {
    const double noon = 1796644800.0;  // 2026-12-07 12:00:00 UTC
    struct Case {
        double t0, t1, origin;
        int most;
        double step, first;  // first tick, in series seconds
        int decimals;
    } cases[] = {
        {0, 200, noon, 6, 60, 0, 0},                       // minutes
        {0, 10, noon + 7.5, 6, 2, 0.5, 0},                 // from 12:00:07.5: 12:00:08
        {0.25, 0.5, noon, 6, 0.05, 0.25, 2},               // sub-second steps of 1, 2, 5
        {0, 3 * 86400.0, noon - 41400 + 3600, 4, 86400, 81000, 0},  // 00:30 UTC seen at UTC+1: local midnights
        {0, 1e-4, noon, 6, 0.001, 0, 3},                   // no finer than a millisecond
    };
    for (const Case& c : cases) {
        const view::AxisTicks ticks = view::ClockTicks(c.t0, c.t1, c.origin, c.most);
        EXPECT_DOUBLE_EQ(ticks.step, c.step) << c.t1;
        ASSERT_FALSE(ticks.values.empty()) << c.t1;
        EXPECT_NEAR(ticks.values.front(), c.first, 1e-6) << c.t1;
        EXPECT_EQ(ticks.decimals, c.decimals) << c.t1;
    }
}

TEST(TrendExport, PngAndSvgWithTitleAxesAndTheLegendOfTwoSeries) {
    TrendRig rig;
    auto trace = std::make_shared<TrendSource>();
    for (int i = 0; i <= 500; ++i) trace->Append(i * 0.2, 1e7 + 0.02 * std::cos(i * 0.1));
    trace->SetName("yesterday.csv");
    rig.plot.ShowSeries(trace);
    EXPECT_EQ(rig.plot.ShownSeries(), trace);
    rig.plot.SetTitle(QStringLiteral("Trend FREQUENCY 1"));
    rig.Find<QCheckBox>("chkTrendDrift")->setChecked(true);

    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("trend.png")), svg = dir.filePath(QStringLiteral("trend.svg"));
    ASSERT_TRUE(rig.panel.Export(png));
    EXPECT_EQ(QImage(png).size(), rig.plot.size());  // as shown
    rig.Find<QComboBox>("cboTrendExportSize")->setCurrentIndex(1);
    ASSERT_TRUE(rig.panel.Export(svg));
    QSvgRenderer renderer(svg);
    ASSERT_TRUE(renderer.isValid());
    EXPECT_EQ(renderer.viewBox().size(), QSize(1200, 800));
    QFile file(svg);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    for (const char* part : {"Trend FREQUENCY 1", "yesterday.csv", "live", "FREQUENCY 1 (Hz)"})
        EXPECT_TRUE(text.contains(QLatin1String(part))) << part;

    auto* size = rig.Find<QComboBox>("cboTrendExportSize");
    size->setEditText(QStringLiteral("640 x 480"));  // typed in
    ASSERT_TRUE(rig.panel.Export(png));
    EXPECT_EQ(QImage(png).size(), QSize(640, 480));
    for (const char* bad : {"640", "20 x 10", "99999 x 99999"}) {
        size->setEditText(QString::fromLatin1(bad));
        EXPECT_FALSE(rig.panel.Export(png)) << bad;
    }
    size->setCurrentIndex(0);
    EXPECT_FALSE(rig.panel.Export(QStringLiteral("/nonexistent-folder/trend.png")));
    EXPECT_TRUE(rig.Find<QLabel>("lblTrendMessage")->text().contains(QLatin1String("/nonexistent-folder/trend.png")));
    rig.plot.SetLive(nullptr);  // the trace alone
    rig.plot.Follow();
    EXPECT_EQ(rig.plot.Range().right, 200.0);  // the trace's 100 s
    EXPECT_TRUE(rig.panel.Export(png));
}

}  // namespace
}  // namespace kt::test
