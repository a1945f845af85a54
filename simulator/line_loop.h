// The simulator's one event loop: waits with poll() on the line and on the
// operator's standard input, hands received bytes to the Instrument and
// writes what falls due. Writes never block: what the line cannot take is
// kept (one write at most) or dropped.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "instrument.h"

namespace ktsim {

// A pseudo-terminal whose terminal end stays open in this process, so the
// panel closing and reopening it never leaves the line hung up.
struct PtyLine {
    int master = -1;
    int slave = -1;
    std::string slavePath;
};

// Opens a pseudo-terminal pair in raw mode, both ends non-blocking. Returns
// false and a reason on failure.
bool OpenPtyLine(PtyLine* line, std::string* error);
// Opens a serial device raw at `baud`, 8 data bits, no parity, 1 stop bit.
// Returns the descriptor or -1 with a reason.
int OpenDeviceLine(const std::string& path, int baud, std::string* error);

int64_t NowMicros();

class LineLoop {
public:
    // lineFd: where the panel's bytes arrive and readings go (a pty master or
    // a device). flushFd: the pty's terminal end, flushed of stale output
    // when the panel asks for identification; -1 for a device. controlFd:
    // operator commands, -1 for none.
    LineLoop(Instrument& instrument, int lineFd, int flushFd, int controlFd);

    // Byte log (received, sent, dropped); unset = quiet.
    std::function<void(const std::string&)> log;
    // Text for the operator (answers to status, help, mistakes).
    std::function<void(const std::string&)> say;

    // One pass: waits at most maxWaitMs for input or the next due write,
    // then does whatever is ready.
    void RunOnce(int maxWaitMs);
    // Passes until the operator quits or *stop becomes non-zero.
    void Run(const volatile int* stop);

    bool Finished() const { return instrument_.QuitRequested(); }

private:
    void ReadLine();
    void ReadControl();
    void WriteOut(int64_t now);
    // Writes bytes, keeping an unsent tail in pending_; false when the line
    // could not take all of it.
    bool Write(std::string bytes);
    void Log(const std::string& text) const;

    Instrument& instrument_;
    int lineFd_;
    int flushFd_;
    int controlFd_;
    std::string control_;
    std::string pending_;
    int64_t lineQuietUntil_ = 0;  // after a hang-up the line is left alone a while
};

}  // namespace ktsim
