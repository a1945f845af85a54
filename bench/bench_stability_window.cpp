// The readings window's stability analysis with a full record: the events
// on the event thread while the live series is handed to the worker once a
// second (and readings keep arriving): their 50th, 99th and 99.9th
// percentiles and the five longest, each with its receiver, its type, the
// event thread's CPU time in it (far less than its length: the thread waited
// for a busy machine) and the longest event sent within it; the stability
// chart's paint with its frame drawn again and kept; and what the analysis
// costs: the worker's busy time per second of wall time (the share of one
// core), and how often the figures were renewed.
//
//   bench_stability_window [--readings N] [--seconds S] [--dev NAME] [--rate PER_S]
//                   (defaults 1000000 readings held, 20 s, oadev, 100 readings a second)
#include <algorithm>
#include <chrono>
#include <ctime>
#include <time.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEvent>
#include <QString>
#include <QTimer>

#include "view/readings_record.h"
#include "view/readings_window.h"
#include "view/stability_panel.h"
#include "view/stability_plot.h"
#include "view/stability_series.h"

namespace {

// What an event was: its receiver (class, object name and, for a timer or a
// queued call, the object that owns it, whose slot it ran) and its type.
// Taken before the event is handled (a single-shot timer is gone after it),
// written out only for the events reported.
struct Who {
    const char* cls = "";
    QString name;
    const char* ownerCls = nullptr;
    QString ownerName;
    int type = 0;

    Who() = default;
    Who(QObject* receiver, int t) : cls(receiver->metaObject()->className()), name(receiver->objectName()), type(t) {
        const QObject* owner = receiver->parent();
        if (owner != nullptr && (type == QEvent::Timer || type == QEvent::MetaCall)) {
            ownerCls = owner->metaObject()->className();
            ownerName = owner->objectName();
        }
    }
    std::string Text() const {
        std::string text = cls;
        if (!name.isEmpty()) text += " " + name.toStdString();
        if (ownerCls != nullptr) {
            text += std::string(" of ") + ownerCls;
            if (!ownerName.isEmpty()) text += " " + ownerName.toStdString();
        }
        const char* kind = type == QEvent::Timer            ? "Timer"
                           : type == QEvent::MetaCall       ? "MetaCall"
                           : type == QEvent::UpdateRequest  ? "UpdateRequest"
                           : type == QEvent::Paint          ? "Paint"
                           : type == QEvent::LayoutRequest  ? "LayoutRequest"
                           : type == QEvent::Resize         ? "Resize"
                           : type == QEvent::FutureCallOut  ? "FutureCallOut"
                           : type == QEvent::DeferredDelete ? "DeferredDelete"
                                                            : nullptr;
        text += " event " + std::to_string(type);
        if (kind != nullptr) text += std::string(" (") + kind + ")";
        return text;
    }
};

// CPU time of the calling thread, ms: an event much longer than it waited
// for the processor (the machine busy with something else).
double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

std::string Ms(double ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f ms", ms);
    return text;
}

// Times every event the application delivers on the event thread. Only the
// events the loop dispatches count (an event sent while one is handled, a
// paint during an update request, is part of it); for each, the longest
// event sent within it says what it spent its time on.
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;
    struct Timed {
        double ms = 0.0;
        Who who;
        double cpu = 0.0;  // of the event thread, ms (dispatched events only)
        double at = 0.0;   // when it began, seconds into the timed run
    };
    struct Event {
        Timed outer;
        Timed inner;  // the longest event sent while it was handled (ms 0: none)
    };
    bool notify(QObject* receiver, QEvent* event) override {
        if (!timing) return QApplication::notify(receiver, event);
        Who who(receiver, static_cast<int>(event->type()));
        const Timed enclosing = inner_;
        inner_ = {};
        ++depth_;
        const double cpu0 = depth_ == 1 ? ThreadCpuMs() : 0.0;
        const auto start = std::chrono::steady_clock::now();
        const bool done = QApplication::notify(receiver, event);
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        const double cpu = depth_ == 1 ? ThreadCpuMs() - cpu0 : 0.0;
        --depth_;
        if (!timing) return done;  // the event that ended the timed run
        const Timed within = inner_;
        inner_ = enclosing;
        if (depth_ > 0) {
            if (ms > inner_.ms) inner_ = {ms, std::move(who), 0.0};
            return done;
        }
        events.push_back(ms);
        if (ms > 5.0) ++over5;
        if (longest.size() < 5 || ms > longest.back().outer.ms) {
            Event e{{ms, std::move(who), cpu, std::chrono::duration<double>(start - began).count()}, within};
            const auto place = std::upper_bound(longest.begin(), longest.end(), e,
                                                [](const Event& a, const Event& b) { return a.outer.ms > b.outer.ms; });
            longest.insert(place, std::move(e));
            if (longest.size() > 5) longest.pop_back();
        }
        return done;
    }
    bool timing = false;
    std::chrono::steady_clock::time_point began;  // of the timed run
    std::vector<double> events;  // the dispatched events' times, ms
    std::vector<Event> longest;  // the five longest, longest first
    int over5 = 0;               // events longer than 5 ms

private:
    Timed inner_;
    int depth_ = 0;
};

void AddReading(kt::ReadingStore& store, uint64_t i, std::chrono::steady_clock::time_point t0) {
    // 10 MHz with a few millihertz of noise, a reading every 100 ms.
    char line[40];
    const unsigned noise = static_cast<unsigned>((i * 2654435761u) % 10000u);
    std::snprintf(line, sizeof line, "10000000.00%04uHz", noise);
    store.Add(line, "FREQUENCY 1", std::chrono::system_clock::now(), t0 + std::chrono::milliseconds(100 * i));
}

}  // namespace

int main(int argc, char** argv) {
    uint64_t readings = 1'000'000;
    int seconds = 20;
    int rate = 100;
    std::string dev = "oadev";
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--readings")) readings = std::strtoull(argv[i + 1], nullptr, 10);
        else if (!std::strcmp(argv[i], "--seconds")) seconds = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--dev")) dev = argv[i + 1];
        else if (!std::strcmp(argv[i], "--rate")) rate = std::atoi(argv[i + 1]);
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TimedApplication app(argc, argv);
    kt::ReadingsRecord record;
    kt::ReadingStore& store = record.store();
    const auto t0 = std::chrono::steady_clock::now() - std::chrono::milliseconds(100 * readings);
    QElapsedTimer fill;
    fill.start();
    for (uint64_t i = 0; i < readings; ++i) AddReading(store, i, t0);
    std::printf("record: %llu readings held (filled in %.1f s)\n", static_cast<unsigned long long>(store.Size()),
                fill.elapsed() / 1000.0);

    // What a request costs the event thread: a snapshot of the record.
    {
        std::vector<double> ms;
        for (int k = 0; k < 200; ++k) {
            const auto start = std::chrono::steady_clock::now();
            auto snapshot = std::make_shared<const kt::ReadingSnapshot>(store.Snapshot());
            ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
        std::sort(ms.begin(), ms.end());
        std::printf("request (snapshot of the record): median %.3f ms, longest %.3f ms\n", ms[ms.size() / 2], ms.back());
    }

    kt::ReadingsWindow window(record);
    window.resize(1200, 800);
    window.show();
    kt::view::StabilityPanel* panel = window.stability();
    panel->findChild<QComboBox*>(QStringLiteral("cmbDeviation"))->setCurrentText(QString::fromStdString(dev));

    // Readings keep arriving at the line rate while the window works.
    uint64_t next = readings;
    QTimer arrive;
    arrive.setObjectName(QStringLiteral("timArrive"));
    arrive.setInterval(10);
    QObject::connect(&arrive, &QTimer::timeout, [&] {
        for (int k = 0; k < rate / 100; ++k) AddReading(store, next++, t0);
    });
    arrive.start();

    double busy = 0.0, busy_cpu = 0.0;
    int results = 0;
    double longest_analysis = 0.0;
    QObject::connect(panel->Traces()[0].worker, &kt::view::AnalysisWorker::finished, [&](const kt::view::AnalysisResult& r) {
        busy += r.analysis.seconds;
        busy_cpu += std::max(r.analysis.cpu_seconds, 0.0);
        longest_analysis = std::max(longest_analysis, r.analysis.seconds);
        ++results;
    });
    // The window's first paint (tens of milliseconds at any count) and the
    // first analysis are left out: timing starts after two seconds.
    // The stability chart's paint at this count: with the frame drawn again
    // (the chart a pixel narrower or wider than at the paint before) and then
    // with it kept (a copy of it and the curves drawn). Measured at the end
    // of the timed run, while the window is still open.
    std::string chartPaint;
    const auto measurePaint = [&] {
        kt::view::StabilityPlot* plot = panel->plot();
        const QSize size = plot->size();
        std::vector<double> drawn, kept;
        const auto paint = [&](std::vector<double>& into) {
            const auto start = std::chrono::steady_clock::now();
            plot->repaint();
            into.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        };
        for (int k = 0; k < 20; ++k) {
            plot->resize(size.width() - k % 2, size.height());
            paint(drawn);
            paint(kept);
        }
        plot->resize(size);
        std::sort(kept.begin(), kept.end());
        std::sort(drawn.begin(), drawn.end());
        char text[240];
        std::snprintf(text, sizeof text,
                      "stability chart's paint (%d x %d, %zu curves): frame drawn again median %.3f ms, longest %.3f ms; "
                      "frame kept median %.3f ms, longest %.3f ms",
                      size.width(), size.height(), plot->Curves().size(), drawn[drawn.size() / 2], drawn.back(),
                      kept[kept.size() / 2], kept.back());
        chartPaint = text;
    };

    QElapsedTimer wall;
    std::clock_t cpu0 = 0;
    double elapsed = 0.0, cpu = 0.0;  // of the timed run: wall seconds, process CPU seconds
    QTimer::singleShot(2000, &app, [&] {
        busy = 0.0;
        busy_cpu = 0.0;
        results = 0;
        app.timing = true;
        app.began = std::chrono::steady_clock::now();
        cpu0 = std::clock();
        wall.start();
        QTimer::singleShot(seconds * 1000, &app, [&] {
            app.timing = false;
            elapsed = wall.elapsed() / 1000.0;
            cpu = static_cast<double>(std::clock() - cpu0) / CLOCKS_PER_SEC;
            measurePaint();
            QCoreApplication::quit();
        });
    });
    app.exec();

    // A whole request as the window makes it: the snapshot, the job handed to
    // the worker, the one it replaces let go.
    double request = 0.0;
    for (int k = 0; k < 10; ++k) {
        const auto start = std::chrono::steady_clock::now();
        auto snapshot = std::make_shared<const kt::ReadingSnapshot>(store.Snapshot());
        panel->AnalyseLive([snapshot] { return kt::view::LiveSeriesSource{snapshot, "FREQUENCY 1", kt::Unit::Hz, {}}; });
        request = std::max(request, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::printf("request handed to the worker (10 in a row): longest %.3f ms\n", request);

    // The once-a-second work without the request, apart: trend, statistics, recording state.
    double refresh = 0.0;
    for (int k = 0; k < 20; ++k) {
        for (int j = 0; j < rate; ++j) AddReading(store, next++, t0);
        const auto start = std::chrono::steady_clock::now();
        window.Refresh();
        refresh = std::max(refresh, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::printf("Refresh (trend, statistics, recording state; a second of readings): longest of 20 %.3f ms\n", refresh);

    std::printf("%s\n", chartPaint.c_str());

    std::vector<double>& ev = app.events;
    std::sort(ev.begin(), ev.end());
    const auto at = [&](double q) { return ev.empty() ? 0.0 : ev[static_cast<std::size_t>(q * (ev.size() - 1))]; };
    std::printf("event thread: %zu events, 50th percentile %.3f ms, 99th %.3f ms, 99.9th %.3f ms, longest %.3f ms; "
                "%d over 5 ms\n",
                ev.size(), at(0.5), at(0.99), at(0.999), ev.empty() ? 0.0 : ev.back(), app.over5);
    std::printf("longest events:\n");
    for (const TimedApplication::Event& e : app.longest) {
        const std::string inner = e.inner.ms > 0.0 ? "; within it the longest: " + e.inner.who.Text() + " " + Ms(e.inner.ms) : "";
        std::printf("  %8.3f ms (%.3f ms CPU) at %5.1f s  %s%s\n", e.outer.ms, e.outer.cpu, e.outer.at,
                    e.outer.who.Text().c_str(), inner.c_str());
    }
    std::printf("analysis (%s): %d results in %.1f s, %.3f s each at most, worker busy %.1f %% of one core "
                "(its CPU time: %.1f %%, %.3f s an analysis)\n",
                dev.c_str(), results, elapsed, longest_analysis, 100.0 * busy / elapsed, 100.0 * busy_cpu / elapsed,
                results > 0 ? busy_cpu / results : 0.0);
    std::printf("process CPU: %.1f %% of one core (readings arriving, trend, statistics and analysis)\n",
                100.0 * cpu / elapsed);
    return 0;
}
