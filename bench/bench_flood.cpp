// The real window, offscreen, connected to the counter simulator over a
// pseudo-terminal: how many readings it absorbs, what that costs in CPU time
// and memory, and whether it keeps repainting and answering clicks meanwhile.
//
//   bench_flood [--mode flood|pace|idle] [--readings] [--deviation NAME] [--prefill N] [--seconds S] [--warmup S] [--sim PATH]
//
// flood  the simulator streams as fast as the line takes readings (--flood);
//        a key (run) is clicked every 100 ms and the simulator's log shows how
//        many of those commands arrived. Afterwards the same stream is read by
//        `cat` into /dev/null for the same time, as the floor. Default 10 s.
// pace   readings back to back at the real line rate of 38400 baud; the
//        panel's CPU share. Default 30 s.
// idle   connected, the counter measuring with a 60 s gate, so nothing
//        arrives; the panel's CPU share. Default 30 s.
//
// --readings: the readings window is open and every reading is recorded to a
// CSV file, as with kt46290-panel --log FILE --readings. The run then ends by
// stopping the counter (stop key) and letting the last readings arrive, and
// compares the rows in the file with the readings the simulator says it sent.
// In pace and flood mode the same stream is afterwards read by `cat` from a
// pseudo-terminal for as long: its CPU share and rate are the floor.
//
// --prefill N: before the window opens, N readings go straight into the
// record (10,000,000 fills it) and the memory they take is printed; the run
// then measures the window on a full record, dropping the oldest.
//
// Readings are counted as line feeds in what the serial control's Input()
// returns, which is one std::count over bytes the panel reads anyway.
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include "bench/bench_common.h"
#include "core/soft_panel.h"
#include "view/data_menu.h"
#include "view/display_widget.h"
#include "view/frm_soft_panel.h"
#include "view/qt_serial_control.h"
#include "view/readings_record.h"
#include "view/readings_window.h"

namespace {

using ktbench::CpuSeconds;
using ktbench::NowSeconds;
using ktbench::ResidentKiB;

// The real serial control, counting what passes through Input().
class CountingSerial : public kt::QtSerialControl {
public:
    using kt::QtSerialControl::QtSerialControl;
    std::string Input() override {
        std::string bytes = kt::QtSerialControl::Input();
        ++events;
        this->bytes += static_cast<long long>(bytes.size());
        lines += std::count(bytes.begin(), bytes.end(), '\n');
        return bytes;
    }
    long long events = 0;
    long long bytes = 0;
    long long lines = 0;
};

// Counts paint events of one widget.
class PaintCounter : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return QObject::eventFilter(watched, event);
    }
    long long paints = 0;
};

struct Options {
    std::string mode = "flood";
    double seconds = 0;  // 0: the mode's default
    double warmup = 2;
    bool hidden = false;  // diagnosis: hide the window once connected, so nothing is painted
    bool readings = false;  // readings window open, recording to a file
    long long prefill = 0;  // readings put into the record before the window opens
    QString deviation;      // the stability chart's deviation (adev ... totdev); empty: its default
    QString sim = QStringLiteral(KT_SIM_PATH);
};

bool Parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasNext = i + 1 < argc;
        if (a == "--mode" && hasNext) {
            o.mode = argv[++i];
        } else if (a == "--seconds" && hasNext) {
            o.seconds = std::atof(argv[++i]);
        } else if (a == "--warmup" && hasNext) {
            o.warmup = std::atof(argv[++i]);
        } else if (a == "--hidden") {
            o.hidden = true;
        } else if (a == "--readings") {
            o.readings = true;
        } else if (a == "--prefill" && hasNext) {
            o.prefill = std::atoll(argv[++i]);
        } else if (a == "--deviation" && hasNext) {
            o.deviation = QString::fromLocal8Bit(argv[++i]);
        } else if (a == "--sim" && hasNext) {
            o.sim = QString::fromLocal8Bit(argv[++i]);
        } else {
            return false;
        }
    }
    if (o.mode != "flood" && o.mode != "pace" && o.mode != "idle") return false;
    if (o.seconds <= 0) o.seconds = o.mode == "flood" ? 10 : 30;
    return true;
}

// Starts the simulator and returns the path of its terminal end, or "".
QString StartSimulator(QProcess& sim, const QString& program, const QStringList& args, const QString& stderrFile) {
    if (stderrFile.isEmpty()) {
        sim.setStandardErrorFile(QProcess::nullDevice());
    } else {
        sim.setStandardErrorFile(stderrFile);
    }
    sim.start(program, args);
    if (!sim.waitForStarted(5000)) return {};
    QElapsedTimer waited;
    waited.start();
    while (!sim.canReadLine() && waited.elapsed() < 5000) sim.waitForReadyRead(100);
    return QString::fromLocal8Bit(sim.readLine()).trimmed();
}

void StopProcess(QProcess& p) {
    if (p.state() == QProcess::NotRunning) return;
    p.terminate();
    if (!p.waitForFinished(3000)) {
        p.kill();
        p.waitForFinished(1000);
    }
}

// Line feeds the simulator logged as sent ("tx" entries, escaped as \n).
long long SentLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    long long n = 0;
    while (!f.atEnd()) {
        const QByteArray line = f.readLine();
        if (line.startsWith("tx \"")) n += line.count("\\n");
    }
    return n;
}

long long CountInFile(const QString& path, const QByteArray& needle) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    long long n = 0;
    while (!f.atEnd()) {
        if (f.readLine().contains(needle)) ++n;
    }
    return n;
}

// What one measured stretch saw.
struct Window {
    double wall = 0, cpu = 0, sys = 0;
    long long lines = 0, bytes = 0, events = 0, paints = 0;
    long rssStart = 0, rssEnd = 0, rssMax = 0;
    long heapInUse = 0, heapFree = 0;  // malloc's figures at the end, KiB
    long heapAtStart = 0;
    std::vector<long> rssSamples;  // once a second while measuring
};

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!Parse(argc, argv, o)) {
        std::fprintf(stderr,
                     "usage: bench_flood [--mode flood|pace|idle] [--readings] [--deviation NAME] [--prefill N] [--seconds S] [--warmup S] [--sim PATH]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir temp;

    QStringList simArgs;
    const bool flood = o.mode == "flood";
    const bool logged = flood || o.readings;
    const QStringList stream = flood ? QStringList{QStringLiteral("--flood")}
                                     : QStringList{QStringLiteral("--pace"), QStringLiteral("38400")};
    if (o.mode == "idle") {
        simArgs << QStringLiteral("--min-period") << QStringLiteral("60000");
    } else {
        simArgs << stream;
    }
    if (logged) simArgs << QStringLiteral("--verbose");
    const QString simLog = logged ? temp.filePath(QStringLiteral("sim.log")) : QString();
    const QString csv = temp.filePath(QStringLiteral("readings.csv"));

    QProcess sim;
    const QString slave = StartSimulator(sim, o.sim, simArgs, simLog);
    if (slave.isEmpty()) {
        std::fprintf(stderr, "bench_flood: the simulator %s did not start\n", qPrintable(o.sim));
        return 1;
    }

    const long rssBeforeWindow = ResidentKiB();
    CountingSerial serial({{1, slave.toStdString()}});
    kt::SoftPanel panel(serial);
    kt::ReadingsRecord record;
    if (o.prefill > 0) {
        // The record filled as a stream of 4.2 ms readings would have filled
        // it, ending now: the memory it takes, then the window on a full record.
        const long before = ResidentKiB();
        const auto wall = std::chrono::system_clock::now();
        const auto steady = std::chrono::steady_clock::now();
        const char* lines[] = {"10.000000121MHz", "10.000000123MHz", "10.00000012MHz", "10.000000124MHz"};
        for (long long i = 0; i < o.prefill; ++i) {
            const auto back = std::chrono::microseconds(4200 * (o.prefill - i));
            record.store().Add(lines[i % 4], "FREQUENCY 1", wall - back, steady - back);
        }
        const long after = ResidentKiB();
        std::printf("record prefilled with %lld readings: resident memory %ld -> %ld KiB, %.1f bytes per reading\n",
                    o.prefill, before, after,
                    static_cast<double>(after - before) * 1024.0 / static_cast<double>(o.prefill));
    }
    kt::frmSoftPanel window(panel);
    if (o.readings) {
        panel.lineTap.observer = &record;
        kt::view::AttachReadings(window, record);
        if (!record.StartRecording(csv.toStdString())) {
            std::fprintf(stderr, "bench_flood: %s\n", record.recorder().Error().c_str());
            return 1;
        }
    }
    PaintCounter paintCounter;
    auto* display = window.findChild<kt::view::DisplayWidget*>(QStringLiteral("txtDisplay"));
    auto* runKey = window.findChild<QAbstractButton*>(QStringLiteral("cmdRun"));
    if (display == nullptr || runKey == nullptr) {
        std::fprintf(stderr, "bench_flood: the window has no txtDisplay or cmdRun\n");
        return 1;
    }
    display->installEventFilter(&paintCounter);
    window.show();
    if (o.readings) {
        kt::ReadingsWindow* shown = kt::view::ShowReadingsWindow(window, record);
        if (!o.deviation.isEmpty()) {
            auto* chooser = shown == nullptr ? nullptr : shown->findChild<QComboBox*>(QStringLiteral("cmbDeviation"));
            const int index = chooser == nullptr ? -1 : chooser->findText(o.deviation);
            if (index < 0) {
                std::fprintf(stderr, "bench_flood: no deviation %s in the stability chart\n", qPrintable(o.deviation));
                return 2;
            }
            chooser->setCurrentIndex(index);
        }
    }

    // Phases: wait until the keys are enabled (identified), warm up, measure.
    Window w;
    long long clicks = 0;
    double readyAt = 0, startAt = 0;
    double cpu0 = 0, sys0 = 0;
    long long lines0 = 0, bytes0 = 0, events0 = 0, paints0 = 0;
    bool failed = false;
    const double launched = NowSeconds();

    QTimer clicker;
    clicker.setInterval(100);
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        if (runKey->isEnabled()) {
            runKey->click();
            ++clicks;
        }
    });
    // The harness wakes as little as it can while measuring: once a second
    // for the memory and the port, and once at the start and at the end.
    QTimer phase;
    phase.setInterval(20);
    auto begin = [&] {
        startAt = NowSeconds();
        cpu0 = CpuSeconds();
        sys0 = ktbench::SystemCpuSeconds();
        lines0 = serial.lines;
        bytes0 = serial.bytes;
        events0 = serial.events;
        paints0 = paintCounter.paints;
        w.rssStart = w.rssMax = ResidentKiB();
        const struct mallinfo2 m = mallinfo2();
        w.heapAtStart = static_cast<long>((m.uordblks + m.hblkhd) / 1024);
    };
    auto finish = [&] {
        w.wall = NowSeconds() - startAt;
        w.cpu = CpuSeconds() - cpu0;
        w.sys = ktbench::SystemCpuSeconds() - sys0;
        w.lines = serial.lines - lines0;
        w.bytes = serial.bytes - bytes0;
        w.events = serial.events - events0;
        w.paints = paintCounter.paints - paints0;
        w.rssEnd = ResidentKiB();
        w.rssMax = std::max(w.rssMax, w.rssEnd);
        {
            // Where the memory is: in use by the program, or freed but still held by malloc.
            const struct mallinfo2 m = mallinfo2();
            w.heapInUse = static_cast<long>((m.uordblks + m.hblkhd) / 1024);
            w.heapFree = static_cast<long>(m.fordblks / 1024);
        }
        phase.stop();
        clicker.stop();
        const auto close = [&] {
            window.close();  // sends SYST:LOC and closes the port, as the user would
            app.quit();
        };
        if (!o.readings) {
            close();
            return;
        }
        // Stop the counter, then close once nothing has arrived for 300 ms:
        // every reading sent has then reached the panel.
        window.findChild<QAbstractButton*>(QStringLiteral("cmdStop"))->click();
        auto* drain = new QTimer(&app);
        auto seen = std::make_shared<long long>(-1);
        QObject::connect(drain, &QTimer::timeout, [&, drain, seen, close] {
            if (*seen == serial.lines) {
                drain->stop();
                close();
            }
            *seen = serial.lines;
        });
        drain->start(300);
    };
    QObject::connect(&phase, &QTimer::timeout, [&] {
        const double now = NowSeconds();
        if (readyAt == 0) {
            // Identified: the one-shot power-on timer has run and left the
            // port open and the keys enabled.
            if (window.formLoaded() && !panel.view.timPowerOn.Enabled && serial.PortOpen() && runKey->isEnabled()) {
                readyAt = now;
                if (o.hidden) window.hide();
                if (flood) clicker.start();
                phase.setInterval(1000);
                QTimer::singleShot(static_cast<int>(o.warmup * 1000), &app, begin);
                QTimer::singleShot(static_cast<int>((o.warmup + o.seconds) * 1000), &app, finish);
            } else if (now - launched > 60) {
                std::fprintf(stderr, "bench_flood: the panel did not connect to %s\n", qPrintable(slave));
                failed = true;
                app.quit();
            }
            return;
        }
        if (startAt != 0) {
            const long rss = ResidentKiB();
            w.rssMax = std::max(w.rssMax, rss);
            w.rssSamples.push_back(rss);
        }
        if (!serial.PortOpen()) {
            std::fprintf(stderr, "bench_flood: the panel disconnected during the run: %s\n",
                         panel.view.lblMessage.Caption.c_str());
            failed = true;
            app.quit();
        }
    });
    phase.start();
    app.exec();
    const bool stillOpen = serial.PortOpen();
    StopProcess(sim);
    if (failed) return 1;

    std::printf("mode %s, %.1f s measured after %.1f s warm-up\n", o.mode.c_str(), w.wall, o.warmup);
    std::printf("  readings absorbed      %lld (%.0f per second), %.1f bytes each\n", w.lines, w.lines / w.wall,
                w.lines > 0 ? static_cast<double>(w.bytes) / static_cast<double>(w.lines) : 0.0);
    std::printf("  receive events         %lld (%.0f per second, %.1f readings each)\n", w.events,
                w.events / w.wall, w.events > 0 ? static_cast<double>(w.lines) / static_cast<double>(w.events) : 0.0);
    std::printf("  display paints         %lld (%.1f per second)\n", w.paints, w.paints / w.wall);
    std::printf("  panel CPU              %.3f s = %.2f %% of one core", w.cpu, 100.0 * w.cpu / w.wall);
    if (w.lines > 0) std::printf(", %.3f s per 10,000 readings", w.cpu * 10000.0 / static_cast<double>(w.lines));
    std::printf(" (%.0f %% of it in the kernel)\n", w.cpu > 0 ? 100.0 * w.sys / w.cpu : 0.0);
    std::printf("  resident memory        %ld KiB before the window, %ld KiB at start, %ld KiB at end "
                "(max %ld, growth %+ld KiB)\n",
                rssBeforeWindow, w.rssStart, w.rssEnd, w.rssMax, w.rssEnd - w.rssStart);
    std::printf("  malloc                 %ld KiB in use at start, %ld KiB at the end, %ld KiB freed but kept\n",
                w.heapAtStart, w.heapInUse, w.heapFree);
    if (o.prefill > 0) {
        // Between two analyses of the stability chart and while one runs
        // (its working memory, eight bytes a reading, lives as long as it).
        std::vector<long> samples = w.rssSamples;
        samples.push_back(w.rssEnd);
        std::sort(samples.begin(), samples.end());
        const auto per = [&](long kib) { return static_cast<double>(kib) * 1024.0 / static_cast<double>(o.prefill); };
        std::printf("  whole process          bytes per held reading, sampled once a second: least %.1f, median %.1f, "
                    "most %.1f; at the end %.1f\n",
                    per(samples.front()), per(samples[samples.size() / 2]), per(samples.back()), per(w.rssEnd));
    }
    if (stillOpen) std::printf("  WARNING: the port was still open after closing the window\n");
    if (o.readings) {
        panel.lineTap.observer = nullptr;
        // The identification reply is a line the simulator sent, not a reading.
        const long long sent = SentLines(simLog) - 1;
        const long long rows = CountInFile(csv, QByteArrayLiteral("\n")) - 1;
        std::printf("  readings window open, recording: %lld rows in the file, %lld readings sent by the "
                    "simulator: %s\n",
                    rows, sent, rows == sent ? "all recorded" : "MISMATCH");
        std::printf("  readings held in memory %zu, dropped %llu\n", record.store().Size(),
                    static_cast<unsigned long long>(record.store().Dropped()));
    }

    if (o.mode == "idle") return 0;

    if (flood) {
        const long long keyCommands = CountInFile(simLog, QByteArrayLiteral("cmd \"SYST:KEY 9\""));
        std::printf("  clicks on the run key  %lld, \"SYST:KEY 9\" received by the simulator %lld\n", clicks,
                    keyCommands);
    }

    // The floor: the same stream, read by cat into /dev/null for as long.
    QProcess floorSim;
    const QString floorSlave =
        StartSimulator(floorSim, o.sim,
                       QStringList(stream) << QStringLiteral("--verbose") << QStringLiteral("--stream-through-idn"),
                       temp.filePath(QStringLiteral("floor.log")));
    if (floorSlave.isEmpty()) {
        std::fprintf(stderr, "bench_flood: the floor simulator did not start\n");
        return 1;
    }
    QProcess cat;
    cat.setStandardOutputFile(QProcess::nullDevice());
    cat.start(QStringLiteral("cat"), {floorSlave});
    if (!cat.waitForStarted(5000)) {
        std::fprintf(stderr, "bench_flood: cat did not start\n");
        StopProcess(floorSim);
        return 1;
    }
    const long catPid = static_cast<long>(cat.processId());
    std::this_thread::sleep_for(std::chrono::milliseconds(static_cast<int>(o.warmup * 1000)));
    const double f0 = NowSeconds();
    const long long r0 = ktbench::ProcessBytesRead(catPid);
    const double c0 = ktbench::ProcessCpuSeconds(catPid);
    std::this_thread::sleep_for(std::chrono::milliseconds(static_cast<int>(o.seconds * 1000)));
    const double fWall = NowSeconds() - f0;
    const long long fBytes = ktbench::ProcessBytesRead(catPid) - r0;
    const double fCpu = ktbench::ProcessCpuSeconds(catPid) - c0;
    StopProcess(cat);
    StopProcess(floorSim);

    const double bytesPerReading = w.lines > 0 ? static_cast<double>(w.bytes) / static_cast<double>(w.lines) : 16.0;
    const double floorRate = static_cast<double>(fBytes) / bytesPerReading / fWall;
    const double panelRate = static_cast<double>(w.lines) / w.wall;
    std::printf("floor: cat into /dev/null, %.1f s\n", fWall);
    std::printf("  readings read          %.0f per second (%.2f MB/s), cat CPU %.2f %% of one core\n", floorRate,
                static_cast<double>(fBytes) / fWall / 1e6, 100.0 * fCpu / fWall);
    std::printf("  panel / floor          %.2f readings per second, %.2f CPU\n",
                floorRate > 0 ? panelRate / floorRate : 0.0, fCpu > 0 ? w.cpu / w.wall / (fCpu / fWall) : 0.0);
    return 0;
}
