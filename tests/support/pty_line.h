// A pseudo-terminal pair that stands in for the serial cable: the program
// opens the slave device as its port, the test plays the counter on the
// master side. Also the event-loop helpers the line tests run with.
#pragma once

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace kt::test {

class PtyLine {
public:
    PtyLine() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
        const char* name = ptsname(master_);
        if (name == nullptr) return;
        slavePath_ = name;
        // Held open for the test's life, so the counter's side does not see
        // a hang-up each time the program closes its port.
        keeper_ = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios raw{};
        if (tcgetattr(master_, &raw) == 0) {
            cfmakeraw(&raw);
            tcsetattr(master_, TCSANOW, &raw);
        }
    }
    ~PtyLine() {
        CloseCounterSide();
        if (keeper_ >= 0) close(keeper_);
    }
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;

    bool ok() const { return master_ >= 0 && keeper_ >= 0 && !slavePath_.empty(); }
    const std::string& slavePath() const { return slavePath_; }
    int masterFd() const { return master_; }

    // The counter sends bytes.
    void Send(const std::string& bytes) const {
        if (master_ >= 0 && !bytes.empty()) (void)!write(master_, bytes.data(), bytes.size());
    }
    // Reads what the program has sent since the last call; Collected() keeps
    // everything read so far.
    std::string Receive() {
        std::string fresh;
        char buf[512];
        while (master_ >= 0) {
            const ssize_t n = read(master_, buf, sizeof buf);
            if (n <= 0) break;
            fresh.append(buf, static_cast<size_t>(n));
        }
        collected_ += fresh;
        return fresh;
    }
    const std::string& Collected() const { return collected_; }
    void ClearCollected() { collected_.clear(); }

    // The counter side of the line goes away (cable pulled, counter closed).
    void CloseCounterSide() {
        if (master_ >= 0) close(master_);
        master_ = -1;
    }

private:
    int master_ = -1;
    int keeper_ = -1;
    std::string slavePath_;
    std::string collected_;
};

// Runs the event loop until done() holds or timeoutMs passes; true if it held.
inline bool RunUntil(const std::function<bool()>& done, int timeoutMs) {
    if (done()) return true;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(2);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    poll.start();
    deadline.start(timeoutMs);
    loop.exec();
    return done();
}

// Runs the event loop for ms milliseconds.
inline void RunFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Processor time this process has used so far, in milliseconds.
inline double CpuMs() { return 1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

}  // namespace kt::test
