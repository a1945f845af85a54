// From a click on a key to its command readable on the line. The program
// plays the counter itself: it opens a pseudo-terminal, connects the real
// window (offscreen) to its terminal end, answers "*IDN?" so the keys are
// enabled, then clicks the arm key N times, each time waiting until
// "SYST:KEY 5\n" can be read on the master end.
//
//   bench_latency [CLICKS] [--record N]     (default 1000 clicks)
//
// --record N: the readings window is open on a record of N readings (10 MHz,
// one every 100 ms) and its stability analysis runs on a worker meanwhile;
// the clicks are then 20 ms apart, so that they fall during the analyses.
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>

#include "bench/bench_common.h"
#include "support/identity.h"
#include "support/pty_line.h"
#include "core/soft_panel.h"
#include "view/data_menu.h"
#include "view/frm_soft_panel.h"
#include "view/qt_serial_control.h"
#include "view/readings_record.h"
#include "view/readings_window.h"

namespace {

constexpr char kCommand[] = "SYST:KEY 5\n";

// Everything readable on the master end now, without waiting.
std::string ReadAvailable(int fd) {
    std::string bytes;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0) {
            bytes.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        return bytes;
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int clicks = argc > 1 ? std::atoi(argv[1]) : 1000;
    unsigned long long held = 0;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--record") held = std::strtoull(argv[i + 1], nullptr, 10);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    kt::test::PtyLine pty;
    if (!pty.ok()) {
        std::perror("bench_latency: pseudo-terminal");
        return 1;
    }
    kt::QtSerialControl serial({{1, pty.slavePath()}});
    kt::SoftPanel panel(serial);
    kt::frmSoftPanel window(panel);
    auto* arm = window.findChild<QAbstractButton*>(QStringLiteral("cmdArm"));
    if (arm == nullptr) return 1;
    kt::ReadingsRecord record;
    if (held > 0) {
        const auto t0 = std::chrono::steady_clock::now() - std::chrono::milliseconds(100 * held);
        for (unsigned long long i = 0; i < held; ++i) {
            char reading[40];
            std::snprintf(reading, sizeof reading, "10000000.00%04uHz", static_cast<unsigned>((i * 2654435761u) % 10000u));
            record.store().Add(reading, "FREQUENCY 1", std::chrono::system_clock::now(), t0 + std::chrono::milliseconds(100 * i));
        }
        panel.lineTap.observer = &record;
        kt::view::AttachReadings(window, record);
    }
    window.show();
    if (held > 0) kt::view::ShowReadingsWindow(window, record);
    const int spacingMs = held > 0 ? 20 : 0;

    enum class Phase { Identify, Reset, Click, Done } phase = Phase::Identify;
    std::string line;  // what arrived on the master end and is not yet matched
    std::vector<double> latencies;
    double clickedAt = 0;
    bool failed = false;

    // Clicks once the previous command has arrived, from the event loop, so
    // that every click starts from an idle window.
    auto clickNext = [&] {
        if (static_cast<int>(latencies.size()) >= clicks) {
            phase = Phase::Done;
            window.close();
            app.quit();
            return;
        }
        QTimer::singleShot(spacingMs, &window, [&] {
            clickedAt = ktbench::NowSeconds();
            arm->click();
        });
    };

    QSocketNotifier notifier(pty.masterFd(), QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
        const double now = ktbench::NowSeconds();
        line += ReadAvailable(pty.masterFd());
        switch (phase) {
        case Phase::Identify:
            if (line.find("*IDN?\n") != std::string::npos) {
                line.clear();
                const std::string reply = kt::test::kIdentity;
                if (write(pty.masterFd(), reply.data(), reply.size()) != static_cast<ssize_t>(reply.size())) failed = true;
                phase = Phase::Reset;
            }
            break;
        case Phase::Reset:
            if (line.find("*RST\n") != std::string::npos) {
                line.clear();
                if (!arm->isEnabled()) {
                    failed = true;
                    app.quit();
                    return;
                }
                phase = Phase::Click;
                clickNext();
            }
            break;
        case Phase::Click:
            if (line.size() >= sizeof kCommand - 1) {
                if (line != kCommand) {
                    std::fprintf(stderr, "bench_latency: unexpected bytes on the line\n");
                    failed = true;
                    app.quit();
                    return;
                }
                latencies.push_back((now - clickedAt) * 1e6);
                line.clear();
                clickNext();
            }
            break;
        case Phase::Done:
            break;
        }
    });
    QTimer::singleShot(held > 0 ? 120000 : 30000, &app, [&] {
        std::fprintf(stderr, "bench_latency: gave up after 30 s (%zu clicks timed)\n", latencies.size());
        failed = true;
        app.quit();
    });
    app.exec();
    if (failed || latencies.empty()) return 1;

    std::printf("click on cmdArm to \"SYST:KEY 5\\n\" readable on the line, %zu clicks\n", latencies.size());
    std::printf("  median %.0f us, 99th percentile %.0f us, min %.0f us, max %.0f us\n",
                ktbench::Percentile(latencies, 0.5), ktbench::Percentile(latencies, 0.99),
                ktbench::Percentile(latencies, 0.0), ktbench::Percentile(latencies, 1.0));
    return 0;
}
