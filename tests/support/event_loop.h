// Waiting in Qt tests without blocking the event thread: the loop keeps
// running (timers, the serial port, the window) while the test waits.
#pragma once

#include <functional>

#include <QEventLoop>
#include <QTimer>

namespace kt::test {

// Runs the event loop until done() holds or timeoutMs passes; true if it held.
inline bool WaitFor(const std::function<bool()>& done, int timeoutMs = 3000) {
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

}  // namespace kt::test
