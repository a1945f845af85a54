// From process start to "*IDN?" on the line: starts kt46290-panel offscreen
// on the terminal end of a pseudo-terminal of its own and times until
// "*IDN?\n" can be read on the master end, then ends that panel.
//
//   bench_startup [--runs N] [--cold] [--panel PATH]
//
// --cold gives every run a font cache of its own that starts empty, so
// fontconfig scans the installed fonts as on a machine whose cache was
// removed; without it the system's font cache is used as it is (warm).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_common.h"
#include "support/pty_line.h"

namespace {

// A fontconfig setup with the system's fonts and rules and an empty cache folder.
std::string ColdFontConfig(const std::string& folder) {
    const std::string cache = folder + "/cache";
    mkdir(cache.c_str(), 0700);
    const std::string file = folder + "/fonts.conf";
    std::ofstream conf(file);
    conf << "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n<fontconfig>\n"
            "  <dir>/usr/share/fonts</dir>\n  <dir>/usr/local/share/fonts</dir>\n"
            "  <include ignore_missing=\"yes\">/etc/fonts/conf.d</include>\n"
            "  <cachedir>"
         << cache << "</cachedir>\n</fontconfig>\n";
    return file;
}

// One start; returns the milliseconds until "*IDN?\n", or a negative number.
double OneStart(const std::string& panel, const std::string& fontConfig) {
    kt::test::PtyLine pty;
    if (!pty.ok()) return -1;
    const std::string port = "1=" + pty.slavePath();
    const double started = ktbench::NowSeconds();
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        if (!fontConfig.empty()) setenv("FONTCONFIG_FILE", fontConfig.c_str(), 1);
        const int devNull = open("/dev/null", O_WRONLY);
        if (devNull >= 0) dup2(devNull, STDERR_FILENO);
        execl(panel.c_str(), panel.c_str(), "--port", port.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string seen;
    double ms = -1;
    while (ktbench::NowSeconds() - started < 20) {
        pollfd fd{pty.masterFd(), POLLIN, 0};
        if (poll(&fd, 1, 100) <= 0) continue;
        char buffer[256];
        const ssize_t n = read(pty.masterFd(), buffer, sizeof buffer);
        if (n > 0) seen.append(buffer, static_cast<std::size_t>(n));
        if (seen.find("*IDN?\n") != std::string::npos) {
            ms = (ktbench::NowSeconds() - started) * 1000;
            break;
        }
    }
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 10;
    bool cold = false;
    std::string panel = KT_PANEL_PATH;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--runs" && i + 1 < argc) {
            runs = std::atoi(argv[++i]);
        } else if (a == "--cold") {
            cold = true;
        } else if (a == "--panel" && i + 1 < argc) {
            panel = argv[++i];
        } else {
            std::fprintf(stderr, "usage: bench_startup [--runs N] [--cold] [--panel PATH]\n");
            return 2;
        }
    }

    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        std::string fontConfig;
        std::string folder;
        if (cold) {
            char pattern[] = "/tmp/kt-bench-fonts-XXXXXX";
            if (mkdtemp(pattern) == nullptr) return 1;
            folder = pattern;
            fontConfig = ColdFontConfig(folder);
        }
        const double ms = OneStart(panel, fontConfig);
        if (!folder.empty()) std::system(("rm -rf '" + folder + "'").c_str());
        if (ms < 0) {
            std::fprintf(stderr, "bench_startup: no \"*IDN?\" from %s\n", panel.c_str());
            return 1;
        }
        times.push_back(ms);
    }
    std::printf("start of kt46290-panel to \"*IDN?\\n\" on the line, %s font cache, %d runs\n",
                cold ? "cold (empty)" : "warm", runs);
    std::printf("  median %.0f ms, min %.0f ms, max %.0f ms\n", ktbench::Percentile(times, 0.5),
                ktbench::Percentile(times, 0.0), ktbench::Percentile(times, 1.0));
    return 0;
}
