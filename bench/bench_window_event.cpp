// Cost of one receive event in the real window (offscreen), with the fake
// serial control: the logic, the update of the widgets and the repaint that
// follows, without the operating system's line. A flooded line delivers many
// readings per event, so this is timed for several chunk sizes.
//
//   bench_window_event [EVENTS [IDLE_MS]]   (defaults 2000 events per chunk
//                                            size, 2000 ms idle first)
#include <cstdio>
#include <cstdlib>
#include <string>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "bench/bench_common.h"
#include "core/soft_panel.h"
#include "support/fake_serial.h"
#include "support/identity.h"
#include "view/frm_soft_panel.h"

int main(int argc, char** argv) {
    const int events = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int idleMs = argc > 2 ? std::atoi(argv[2]) : 2000;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    kt::test::FakeSerial serial;
    kt::SoftPanel panel(serial);
    kt::frmSoftPanel window(panel);
    window.show();
    window.RunFormLoad();
    serial.Receive(kt::test::kIdentity);
    QElapsedTimer waited;
    waited.start();
    while (panel.view.timPowerOn.Enabled && waited.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 10);
    if (!serial.PortOpen() || !panel.view.cmdRun.Enabled) {
        std::fprintf(stderr, "bench_window_event: the panel did not connect\n");
        return 1;
    }

    // Connected and nothing arriving: the system clock's ticks alone.
    {
        const double cpu0 = ktbench::CpuSeconds();
        QEventLoop loop;
        QTimer::singleShot(idleMs, &loop, &QEventLoop::quit);
        loop.exec();
        const double cpu = ktbench::CpuSeconds() - cpu0;
        std::printf("idle, %.1f s: %.3f s CPU = %.2f %% of one core\n", idleMs / 1000.0, cpu, cpu * 100000.0 / idleMs);
    }

    std::printf("%-22s %14s %14s\n", "readings per event", "us per event", "us per reading");
    for (const int lines : {1, 16, 256}) {
        // Two chunks taken in turn, so every event changes the display.
        std::string chunks[2];
        for (int i = 0; i < lines; ++i) {
            chunks[0] += "10.000000123MHz\n";
            chunks[1] += "10.000000124MHz\n";
        }
        for (int i = 0; i < 50; ++i) {  // warm-up
            serial.Receive(chunks[i % 2]);
            QApplication::processEvents();
        }
        const double cpu0 = ktbench::CpuSeconds();
        for (int i = 0; i < events; ++i) {
            serial.Receive(chunks[i % 2]);
            QApplication::processEvents();  // the repaint the event asked for
        }
        const double perEvent = (ktbench::CpuSeconds() - cpu0) / events * 1e6;
        std::printf("%-22d %14.1f %14.2f\n", lines, perEvent, perEvent / lines);
    }
    window.close();
    return 0;
}
