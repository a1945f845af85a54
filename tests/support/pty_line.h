// A pseudo-terminal pair that stands in for the serial cable: the program
// opens the terminal end as its port, the test (or benchmark) plays the
// counter on the master side. Opened raw and non-blocking by the simulator's
// own OpenPtyLine; the terminal end is held open for the line's life, so the
// counter's side never sees a hang-up when the program closes its port.
#pragma once

#include <unistd.h>

#include <string>

#include "line_loop.h"

namespace kt::test {

class PtyLine {
public:
    PtyLine() { ktsim::OpenPtyLine(&line_, nullptr); }
    ~PtyLine() {
        CloseCounterSide();
        if (line_.slave >= 0) close(line_.slave);
    }
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;

    bool ok() const { return line_.master >= 0 && line_.slave >= 0; }
    const std::string& slavePath() const { return line_.slavePath; }
    int masterFd() const { return line_.master; }

    // The counter sends bytes.
    void Send(const std::string& bytes) const {
        if (line_.master >= 0 && !bytes.empty()) (void)!write(line_.master, bytes.data(), bytes.size());
    }
    // Reads what the program has sent since the last call; Collected() keeps
    // everything read so far.
    std::string Receive() {
        std::string fresh;
        char buf[512];
        while (line_.master >= 0) {
            const ssize_t n = read(line_.master, buf, sizeof buf);
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
        if (line_.master >= 0) close(line_.master);
        line_.master = -1;
    }

private:
    ktsim::PtyLine line_;
    std::string collected_;
};

}  // namespace kt::test
