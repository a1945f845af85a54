// Redraw time of the trend chart at ten million readings (offscreen): the
// whole range, zoomed ranges from 1 % down to a few readings, a pan, and the
// repaint of a refresh while it follows the stream; the cost of taking a
// reading in and the memory per reading.
//
// The live series, as the readings window draws it: the record holds the
// readings and the trend reads their values and times from it. With --own,
// a series that keeps its own copy (an opened recording's trend) instead.
//
//   bench_trend [--points N] [--redraws R] [--own] [--screenshot FILE]
//
// --screenshot saves a picture of the readings window with an hour of a
// simulated 10 MHz oscillator, its trend zoomed in (for the README), instead.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>

#include "measurements/store.h"
#include "measurements/trend_source.h"
#include "view/readings_record.h"
#include "view/readings_window.h"
#include "view/trend_panel.h"
#include "view/trend_plot.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Figures {
    double median = 0;
    double worst = 0;
};

Figures Summarise(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

void Report(const char* what, const Figures& f) {
    std::printf("%-52s median %7.2f ms, worst %7.2f ms  (%6.0f redraws/s)\n", what, f.median, f.worst, 1000.0 / f.median);
}

// An oscillator near 10 MHz: white frequency noise, a random walk and a drift.
double Oscillator(std::mt19937_64& random, double t, double& walk) {
    static std::normal_distribution<double> noise(0.0, 1.0);
    walk += noise(random) * 2e-5;
    return 1e7 + noise(random) * 5e-4 + walk + 1e-6 * t;
}

int Screenshot(const char* file) {
    kt::ReadingsRecord record;
    std::mt19937_64 random(7);
    double walk = 0.0;
    const auto start = std::chrono::system_clock::now() - std::chrono::hours(1);
    const Clock::time_point steady{};
    char line[64];
    for (int i = 0; i < 36'000; ++i) {  // an hour, ten readings a second
        const double t = i * 0.1;
        std::snprintf(line, sizeof line, "%.12fMHz", Oscillator(random, t, walk) / 1e6);
        const auto at = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(t));
        record.store().Add(line, "FREQUENCY 1",
                           start + std::chrono::duration_cast<std::chrono::system_clock::duration>(at), steady + at);
    }
    kt::ReadingsWindow window(record);
    window.resize(1000, 720);
    window.show();
    window.Refresh();
    window.RefreshAdev();
    auto* panel = window.findChild<kt::view::TrendPanel*>();
    panel->findChild<QComboBox*>(QStringLiteral("cboTrendValue"))->setCurrentIndex(1);
    panel->findChild<QCheckBox*>(QStringLiteral("chkTrendDrift"))->setChecked(true);
    panel->Plot()->ZoomTime(1500.0, 1680.0);  // three minutes of the hour
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 300) QApplication::processEvents();
    if (!window.grab().save(QString::fromLocal8Bit(file))) {
        std::fprintf(stderr, "bench_trend: cannot write %s\n", file);
        return 1;
    }
    std::printf("%s\n", file);
    return 0;
}

}  // namespace

// The oscillator's reading i as the counter sends it, 240 a second.
struct Stream {
    std::mt19937_64 random{46290};
    double walk = 0.0;
    long next = 0;
    double Time(long i) const { return static_cast<double>(i) / 240.0; }
    Clock::time_point Steady(long i) const {
        return Clock::time_point(std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(Time(i))));
    }
    void Line(char (&line)[64], long i) { std::snprintf(line, sizeof line, "%.12fMHz", Oscillator(random, Time(i), walk) / 1e6); }
};

int main(int argc, char** argv) {
    long points = 10'000'000;
    int redraws = 40;
    bool own = false;
    const char* screenshot = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--own") == 0) own = true;
        if (i + 1 >= argc) continue;
        if (std::strcmp(argv[i], "--points") == 0) points = std::atol(argv[i + 1]);
        if (std::strcmp(argv[i], "--redraws") == 0) redraws = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--screenshot") == 0) screenshot = argv[i + 1];
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (screenshot != nullptr) return Screenshot(screenshot);

    // The readings: 240 a second (the line rate), 11.6 hours at 10 M. The
    // record holds exactly `points`: once full, each new reading drops the oldest.
    kt::ReadingStore record(static_cast<std::size_t>(points));
    Stream stream;
    char line[64];
    const auto systemStart = std::chrono::system_clock::now();
    const auto add = [&] {
        const long i = stream.next++;
        stream.Line(line, i);
        record.Add(line, "FREQUENCY 1", systemStart, stream.Steady(i));
    };
    std::shared_ptr<kt::TrendSource> source;
    double appendNs = 0.0;
    if (own) {
        source = std::make_shared<kt::TrendSource>();
        std::vector<double> values(static_cast<std::size_t>(points));
        for (long i = 0; i < points; ++i) values[static_cast<std::size_t>(i)] = Oscillator(stream.random, stream.Time(i), stream.walk);
        stream.next = points;
        const auto t0 = Clock::now();
        for (long i = 0; i < points; ++i) source->Append(stream.Time(i), values[static_cast<std::size_t>(i)]);
        appendNs = Ms(Clock::now() - t0) * 1e6 / static_cast<double>(points);
        source->SetCapacity(static_cast<std::size_t>(points));
    } else {
        for (long i = 0; i < points; ++i) add();
        source = std::make_shared<kt::TrendSource>(record);
        const auto t0 = Clock::now();
        for (std::size_t i = 0; i < record.Size(); ++i) source->Append(record.At(i));
        appendNs = Ms(Clock::now() - t0) * 1e6 / static_cast<double>(points);
    }
    std::printf("%s, %ld readings: %.1f ns per reading taken in, %.2f bytes per reading held by the trend (%.1f MiB)\n",
                own ? "own copy (an opened recording)" : "live (reads the record)", points, appendNs,
                static_cast<double>(source->MemoryBytes()) / static_cast<double>(points), source->MemoryBytes() / 1048576.0);

    // Full: each new reading drops the oldest (the record's, or the copy's
    // for its capacity). Taken in as the readings window does, 48 at a time.
    {
        double takeMs = 0.0;
        for (int batch = 0; batch < 1'000'000 / 48; ++batch) {
            if (own) {
                double batchValues[48];
                for (int k = 0; k < 48; ++k) batchValues[k] = Oscillator(stream.random, stream.Time(stream.next + k), stream.walk);
                const auto a = Clock::now();
                for (int k = 0; k < 48; ++k, ++stream.next) source->Append(stream.Time(stream.next), batchValues[k]);
                takeMs += Ms(Clock::now() - a);
            } else {
                const uint64_t from = record.NextSeq();
                for (int k = 0; k < 48; ++k) add();
                const auto a = Clock::now();
                for (std::size_t i = record.IndexOfSeq(from); i < record.Size(); ++i) source->Append(record.At(i));
                source->Trim();
                takeMs += Ms(Clock::now() - a);
            }
        }
        std::printf("at capacity: %.1f ns per reading taken in with the oldest dropped; then %.2f bytes per reading\n",
                    takeMs * 1e6 / (1'000'000 / 48 * 48), static_cast<double>(source->MemoryBytes()) / static_cast<double>(points));
    }

    kt::view::TrendPlot plot;
    plot.resize(1200, 500);
    plot.SetValueName(QStringLiteral("FREQUENCY 1"), QStringLiteral("Hz"));
    plot.SetLive(source);
    plot.show();
    QApplication::processEvents();
    std::printf("plot %d x %d pixels, plot area %d columns\n", plot.width(), plot.height(), plot.PlotArea().width());

    const double end = source->LastTime();
    std::vector<double> ms;
    // One redraw: the change, then the paint it asked for (the whole plot,
    // or while following only the columns that changed), done at once.
    const auto time = [&](const auto& change) {
        ms.clear();
        for (int r = 0; r < redraws; ++r) {
            const auto a = Clock::now();
            change(r);
            QApplication::processEvents();
            ms.push_back(Ms(Clock::now() - a));
        }
        return Summarise(ms);
    };
    Report("whole range (Follow: axes, columns, paint)", time([&](int) { plot.Follow(); }));
    for (const double fraction : {0.01, 1e-4, 1e-6}) {
        char what[80];
        std::snprintf(what, sizeof what, "zoomed to %g of the range (%.0f readings)", fraction, fraction * points);
        Report(what, time([&](int r) {
                   const double from = end * (0.05 + 0.9 * (r % 10) / 10.0);
                   plot.ZoomTime(from, from + end * fraction);
               }));
    }
    plot.ZoomTime(end * 0.4, end * 0.41);
    Report("pan of the 1 % view by 20 pixels", time([&](int r) {
               const double step = (plot.Range().right - plot.Range().left) * 20 / plot.PlotArea().width();
               plot.ZoomTime(plot.Range().left + step * (r % 2 ? -1 : 1), plot.Range().right + step * (r % 2 ? -1 : 1));
           }));

    // Following: a refresh after a fifth of a second of readings (48).
    plot.Follow();
    plot.repaint();
    Report("following: refresh after 48 new readings", time([&](int) {
               if (own) {
                   for (int k = 0; k < 48; ++k, ++stream.next)
                       source->Append(stream.Time(stream.next), Oscillator(stream.random, stream.Time(stream.next), stream.walk));
               } else {
                   const uint64_t from = record.NextSeq();
                   for (int k = 0; k < 48; ++k) add();
                   for (std::size_t i = record.IndexOfSeq(from); i < record.Size(); ++i) source->Append(record.At(i));
                   source->Trim();
               }
               plot.Refresh();
           }));

    // The columns alone, without painting; made afresh each time (the same
    // columns asked for again are kept: a column less every other time).
    std::vector<kt::TrendColumn> columns;
    ms.clear();
    for (int r = 0; r < redraws; ++r) {
        const auto a = Clock::now();
        source->Columns(0.0, end, plot.PlotArea().width() - r % 2, columns);
        ms.push_back(Ms(Clock::now() - a));
    }
    Report("columns of the whole range alone (pyramid)", Summarise(ms));
    ms.clear();
    for (int r = 0; r < redraws; ++r) {
        const double from = end * (0.05 + 0.9 * (r % 10) / 10.0);
        const auto a = Clock::now();
        source->Columns(from, from + end * 0.01, plot.PlotArea().width(), columns);
        ms.push_back(Ms(Clock::now() - a));
    }
    Report("columns of a 1 % range alone (pyramid)", Summarise(ms));
    return 0;
}
