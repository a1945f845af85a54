// The readings window's stability analysis with a full record: the longest
// event on the event thread while the live series is handed to the worker
// once a second (and readings keep arriving), and what the analysis costs:
// the worker's busy time per second of wall time (the share of one core),
// and how often the figures were renewed.
//
//   bench_stability_window [--readings N] [--seconds S] [--dev NAME] [--rate PER_S]
//                   (defaults 1000000 readings held, 20 s, oadev, 100 readings a second)
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTimer>

#include "view/readings_record.h"
#include "view/readings_window.h"
#include "view/stability_panel.h"
#include "view/stability_series.h"

namespace {

// Times every event the application delivers on the event thread.
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        // The receiver may be gone once the event is handled (a single-shot timer).
        const char* cls = receiver->metaObject()->className();
        const QString name = timing ? receiver->objectName() : QString();
        const int type = static_cast<int>(event->type());
        const auto start = std::chrono::steady_clock::now();
        const bool done = QApplication::notify(receiver, event);
        if (timing) {
            const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            events.push_back(ms);
            if (ms > 5.0) ++over5;
            if (ms > longest) {
                longest = ms;
                what = std::string(cls) + " " + name.toStdString() + " event " + std::to_string(type);
            }
        }
        return done;
    }
    bool timing = false;
    std::vector<double> events;
    double longest = 0.0;
    int over5 = 0;  // events longer than 5 ms
    std::string what;  // the longest event: its receiver and type
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

    double busy = 0.0;
    int results = 0;
    double longest_analysis = 0.0;
    QObject::connect(panel->Traces()[0].worker, &kt::view::AnalysisWorker::finished, [&](const kt::view::AnalysisResult& r) {
        busy += r.analysis.seconds;
        longest_analysis = std::max(longest_analysis, r.analysis.seconds);
        ++results;
    });
    // The window's first paint (tens of milliseconds at any count) and the
    // first analysis are left out: timing starts after two seconds.
    QElapsedTimer wall;
    std::clock_t cpu0 = 0;
    QTimer::singleShot(2000, &app, [&] {
        busy = 0.0;
        results = 0;
        app.timing = true;
        cpu0 = std::clock();
        wall.start();
        QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    });
    app.exec();
    const double elapsed = wall.elapsed() / 1000.0;
    const double cpu = static_cast<double>(std::clock() - cpu0) / CLOCKS_PER_SEC;
    app.timing = false;

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

    std::vector<double>& ev = app.events;
    std::sort(ev.begin(), ev.end());
    const auto at = [&](double q) { return ev.empty() ? 0.0 : ev[static_cast<std::size_t>(q * (ev.size() - 1))]; };
    std::printf("event thread: %zu events, median %.3f ms, 99th percentile %.3f ms, longest %.3f ms\n", ev.size(),
                at(0.5), at(0.99), ev.empty() ? 0.0 : ev.back());
    std::printf("longest event: %s; %d events over 5 ms\n", app.what.c_str(), app.over5);
    std::printf("analysis (%s): %d results in %.1f s, %.3f s each at most, worker busy %.1f %% of one core\n",
                dev.c_str(), results, elapsed, longest_analysis, 100.0 * busy / elapsed);
    std::printf("process CPU: %.1f %% of one core (readings arriving, trend, statistics and analysis)\n",
                100.0 * cpu / elapsed);
    return 0;
}
