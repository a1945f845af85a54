// kt46290-sim: a KT46290 frequency counter on a pseudo-terminal (or a serial
// device), for trying and testing the soft front panel without the instrument.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "line_loop.h"
#include "options.h"

namespace {

volatile int gStop = 0;

void OnStopSignal(int) { gStop = 1; }

void InstallSignals() {
    struct sigaction stopAction {};
    stopAction.sa_handler = OnStopSignal;
    sigemptyset(&stopAction.sa_mask);
    stopAction.sa_flags = 0;  // no restart: poll() returns and the loop sees the flag
    sigaction(SIGINT, &stopAction, nullptr);
    sigaction(SIGTERM, &stopAction, nullptr);
    sigaction(SIGHUP, &stopAction, nullptr);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);
}

void ToStderr(const std::string& text) {
    std::fprintf(stderr, "%s%s", text.c_str(), (!text.empty() && text.back() == '\n') ? "" : "\n");
    std::fflush(stderr);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    const auto options = ktsim::ParseOptions(args, &error);
    if (!options) {
        std::fprintf(stderr, "kt46290-sim: %s\nTry 'kt46290-sim --help'.\n", error.c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(ktsim::UsageText().c_str(), stdout);
        return 0;
    }
    InstallSignals();

    ktsim::PtyLine pty;
    int lineFd = -1;
    std::string path;
    if (options->device.empty()) {
        if (!ktsim::OpenPtyLine(&pty, &error)) {
            std::fprintf(stderr, "kt46290-sim: cannot open a pseudo-terminal: %s\n", error.c_str());
            return 1;
        }
        lineFd = pty.master;
        path = pty.slavePath;
    } else {
        lineFd = ktsim::OpenDeviceLine(options->device, options->deviceBaud, &error);
        if (lineFd < 0) {
            std::fprintf(stderr, "kt46290-sim: cannot open %s\n", error.c_str());
            return 1;
        }
        path = options->device;
    }
    // The first line of standard output names the line to connect to.
    std::printf("%s\n", path.c_str());
    std::fflush(stdout);

    ktsim::Instrument instrument(options->config);
    ktsim::LineLoop loop(instrument, lineFd, pty.slave, STDIN_FILENO);
    loop.say = ToStderr;
    if (options->verbose) {
        instrument.log = ToStderr;
        loop.log = ToStderr;
        ToStderr("identification \"" + ktsim::IdentificationText(options->config) + "\"");
    }
    loop.Run(&gStop);

    close(lineFd);
    if (pty.slave >= 0) close(pty.slave);
    return 0;
}
