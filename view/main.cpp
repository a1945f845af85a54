// kt46290-panel: the soft front panel of the KT46290 frequency counter.
//
//   kt46290-panel [--port N=DEVICE]... [--zoom PERCENT] [--log FILE] [--readings] [--open FILE...]
//                 [--screenshot FILE] [--list-ports]
//
// --log records every reading to FILE (CSV, appended) from the start;
// --readings opens the readings window at start-up; --open opens it with the
// recordings named after the options as traces of its stability chart.
// --port names the device that port number N (1..5) of the port menu opens;
// ports not named open the device chosen in the port menu's chooser, else the
// one the mapping rule gives. --list-ports prints the serial ports the system
// has and exits. --zoom starts the window at 125, 150, 200 or 300 per cent
// instead of 100. --screenshot shows the
// window, lets two seconds of events run, saves a picture of the window,
// closes it as the user would and exits (with --open, once the recordings are
// read and analysed).
#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

#include <QApplication>
#include <QFileInfo>
#include <QCommandLineParser>
#include <QSettings>
#include <QTimer>

#include "core/soft_panel.h"
#include "view/app_paths.h"
#include "ports/port_map.h"
#include "view/data_menu.h"
#include "view/frm_soft_panel.h"
#include "view/key_map.h"
#include "view/port_listing.h"
#include "view/port_menu.h"
#include "view/qt_serial_control.h"
#include "view/readings_record.h"
#include "view/readings_window.h"

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#endif

namespace {

constexpr int kUsageError = 2;
constexpr int kScreenshotDelayMs = 2000;

#ifdef Q_OS_UNIX
// SIGINT and SIGTERM (Ctrl+C, a logout) close the window as the user would:
// the handler only writes a byte into a socket pair, and the event loop reads
// it and closes the window there.
int signalPipe[2] = {-1, -1};

void OnQuitSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[0], &byte, 1);
}

void CloseOnQuitSignals(QWidget& window) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char byte = 0;
        [[maybe_unused]] const ssize_t n = ::read(signalPipe[1], &byte, 1);
        window.close();
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}
#endif

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication::setApplicationName(QStringLiteral("kt46290-panel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KT_PANEL_VERSION));

    // The command line is read before the window system is asked for, so that
    // --help and --version work without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Soft front panel of the KT46290 frequency counter.\n") +
                                     QString::fromStdString(kt::MappingRuleText(kt::kThisPlatform)));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption portOption(
        QStringLiteral("port"),
        QStringLiteral("Port number N (1-5) of the port menu opens DEVICE, e.g. 1=/dev/ttyUSB0. Repeatable."),
        QStringLiteral("N=DEVICE"));
    const QCommandLineOption screenshotOption(
        QStringLiteral("screenshot"),
        QStringLiteral("Show the window, let 2 s of events run, save a PNG picture of it to FILE, close and exit."),
        QStringLiteral("FILE"));
    const QCommandLineOption zoomOption(
        QStringLiteral("zoom"), QStringLiteral("Start the window zoomed to PERCENT: 100, 125, 150, 200 or 300."),
        QStringLiteral("PERCENT"), QStringLiteral("100"));
    const QCommandLineOption listPortsOption(
        QStringLiteral("list-ports"),
        QStringLiteral("Print every serial port the system has, one a line (device, by-id link, description, "
                       "manufacturer, serial number, USB vendor:product), and exit."));
    const QCommandLineOption logOption(
        QStringLiteral("log"), QStringLiteral("Record every reading to FILE (CSV, appended to) from the start."),
        QStringLiteral("FILE"));
    const QCommandLineOption readingsOption(QStringLiteral("readings"),
                                            QStringLiteral("Open the readings window at start-up."));
    const QCommandLineOption openOption(
        QStringLiteral("open"),
        QStringLiteral("Open the readings window with the recordings or data files named after the options "
                       "(FILE...) as traces of its stability chart."));
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("A file to open (with --open)."),
                                 QStringLiteral("[FILE...]"));
    parser.addOption(portOption);
    parser.addOption(zoomOption);
    parser.addOption(logOption);
    parser.addOption(readingsOption);
    parser.addOption(openOption);
    parser.addOption(screenshotOption);
    parser.addOption(listPortsOption);
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "kt46290-panel: %s\n", qPrintable(parser.errorText()));
        return kUsageError;
    }
    if (parser.isSet(helpOption)) {
        QString help = parser.helpText();
        help.replace(QStringLiteral("<executable_name>"), QStringLiteral("kt46290-panel"));
        std::fputs(qPrintable(help), stdout);
        return 0;
    }
    if (parser.isSet(versionOption)) {
        std::printf("kt46290-panel %s\n", KT_PANEL_VERSION);
        return 0;
    }
    if (!parser.isSet(openOption) && !parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "kt46290-panel: unexpected argument '%s'\n",
                     qPrintable(parser.positionalArguments().constFirst()));
        return kUsageError;
    }

    const int zoom = parser.value(zoomOption).toInt();
    if (std::find(std::begin(kt::view::kZoomSteps), std::end(kt::view::kZoomSteps), zoom) ==
        std::end(kt::view::kZoomSteps)) {
        std::fprintf(stderr, "kt46290-panel: --zoom wants 100, 125, 150, 200 or 300, not '%s'\n",
                     qPrintable(parser.value(zoomOption)));
        return kUsageError;
    }

    std::map<int, std::string> portDevices;
    for (const QString& value : parser.values(portOption)) {
        const auto named = kt::ParsePortOption(value.toStdString());
        if (!named) {
            std::fprintf(stderr, "kt46290-panel: --port wants N=DEVICE with N from 1 to 5, not '%s'\n",
                         qPrintable(value));
            return kUsageError;
        }
        portDevices[named->first] = named->second;
    }
    if (parser.isSet(listPortsOption)) {
        std::fputs(kt::PortListText(kt::view::SystemSerialPorts()).c_str(), stdout);
        return 0;
    }

    QApplication app(argc, argv);
    kt::QtSerialControl serial(portDevices);
    kt::SoftPanel panel(serial);
    panel.appPath = kt::view::PictureFolder(QCoreApplication::applicationDirPath()).toStdString();
    kt::ReadingsRecord record;
    panel.lineTap.observer = &record;
    frmSoftPanel window(panel);
    kt::view::AttachReadings(window, record);
    if (parser.isSet(logOption)) {
        const std::string file = parser.value(logOption).toStdString();
        if (!record.StartRecording(file)) std::fprintf(stderr, "kt46290-panel: %s\n", record.recorder().Error().c_str());
    }
#ifdef Q_OS_UNIX
    CloseOnQuitSignals(window);
#endif

    // Each port item tells which device it opens; devices chosen in the port
    // menu are remembered for the user.
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("kt46290"),
                       QStringLiteral("kt46290-panel"));
    kt::view::PortMenu portMenu(window, serial, serial.Ports(), serial.Lister(), settings,
                                [](const std::string& path) { return QFileInfo::exists(QString::fromStdString(path)); });

    window.SetZoom(zoom);
    window.show();
    const QStringList toOpen = parser.positionalArguments();
    // The desktop entry passes --open with the files it was given, none when
    // started from the menu: the readings window opens only with files.
    if (parser.isSet(readingsOption) || !toOpen.isEmpty()) {
        kt::ReadingsWindow* readings = kt::view::ShowReadingsWindow(window, record);
        if (readings != nullptr && !toOpen.isEmpty()) readings->OpenRecordings(toOpen);
    }

    int exitCode = 0;
    if (parser.isSet(screenshotOption)) {
        const QString file = parser.value(screenshotOption);
        // Two seconds of events, and the files named read and analysed.
        auto* take = new QTimer(&window);
        take->setInterval(100);
        QTimer::singleShot(kScreenshotDelayMs, take, qOverload<>(&QTimer::start));
        QObject::connect(take, &QTimer::timeout, &window, [&window, &exitCode, file, take] {
            const auto* opened = window.findChild<kt::ReadingsWindow*>();
            if (opened != nullptr && !opened->Settled()) return;
            take->stop();
            // With the readings window open, the picture is of that window.
            QWidget* shown = window.findChild<kt::ReadingsWindow*>();
            if (shown == nullptr || !shown->isVisible()) shown = &window;
            if (!shown->grab().save(file, "PNG")) {
                std::fprintf(stderr, "kt46290-panel: cannot write the picture to '%s'\n", qPrintable(file));
                exitCode = 1;
            }
            window.close();
            QCoreApplication::quit();
        });
    }
    const int loopCode = app.exec();
    panel.lineTap.observer = nullptr;
    record.StopRecording();
    return exitCode != 0 ? exitCode : loopCode;
}
