#include "line_loop.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "escape.h"

namespace ktsim {

namespace {

constexpr std::size_t kReadChunk = 4096;
constexpr std::size_t kMaxReadPerPass = 64 * 1024;
constexpr int64_t kHangupPauseMicros = 200'000;

bool MakeRaw(int fd, speed_t speed, std::string* error) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        if (error) *error = std::string("tcgetattr: ") + std::strerror(errno);
        return false;
    }
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (speed != 0) {
        cfsetispeed(&tio, speed);
        cfsetospeed(&tio, speed);
    }
    if (tcsetattr(fd, TCSANOW, &tio) != 0) {
        if (error) *error = std::string("tcsetattr: ") + std::strerror(errno);
        return false;
    }
    return true;
}

bool SetNonBlocking(int fd) {
    const int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

speed_t SpeedFor(int baud) {
    switch (baud) {
        case 2400: return B2400;
        case 4800: return B4800;
        case 9600: return B9600;
        case 19200: return B19200;
        case 38400: return B38400;
        case 57600: return B57600;
        case 115200: return B115200;
        default: return B9600;
    }
}

}  // namespace

int64_t NowMicros() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

bool OpenPtyLine(PtyLine* line, std::string* error) {
    auto fail = [&](const char* what) {
        if (error) *error = std::string(what) + ": " + std::strerror(errno);
        if (line->master >= 0) close(line->master);
        if (line->slave >= 0) close(line->slave);
        line->master = line->slave = -1;
        return false;
    };
    line->master = posix_openpt(O_RDWR | O_NOCTTY);
    if (line->master < 0) return fail("posix_openpt");
    if (grantpt(line->master) != 0) return fail("grantpt");
    if (unlockpt(line->master) != 0) return fail("unlockpt");
    const char* name = ptsname(line->master);
    if (!name) return fail("ptsname");
    line->slavePath = name;
    line->slave = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (line->slave < 0) return fail("open terminal end");
    if (!MakeRaw(line->slave, 0, error)) {
        close(line->master);
        close(line->slave);
        line->master = line->slave = -1;
        return false;
    }
    if (!SetNonBlocking(line->master)) return fail("fcntl");
    fcntl(line->master, F_SETFD, FD_CLOEXEC);
    fcntl(line->slave, F_SETFD, FD_CLOEXEC);
    return true;
}

int OpenDeviceLine(const std::string& path, int baud, std::string* error) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (error) *error = path + ": " + std::strerror(errno);
        return -1;
    }
    if (!MakeRaw(fd, SpeedFor(baud), error)) {
        close(fd);
        return -1;
    }
    return fd;
}

LineLoop::LineLoop(Instrument& instrument, int lineFd, int flushFd, int controlFd)
    : instrument_(instrument), lineFd_(lineFd), flushFd_(flushFd), controlFd_(controlFd) {}

void LineLoop::Log(const std::string& text) const {
    if (log) log(text);
}

void LineLoop::RunOnce(int maxWaitMs) {
    int64_t now = NowMicros();
    int64_t waitMicros = static_cast<int64_t>(maxWaitMs) * 1000;
    if (const auto due = instrument_.NextDue(now)) waitMicros = std::min(waitMicros, std::max<int64_t>(0, *due - now));
    const bool lineQuiet = now < lineQuietUntil_;
    if (lineQuiet) waitMicros = std::min(waitMicros, lineQuietUntil_ - now);

    pollfd fds[2];
    nfds_t count = 0;
    int lineSlot = -1;
    int controlSlot = -1;
    if (!lineQuiet) {
        short events = POLLIN;
        // Ask for room on the line only while there is something to put there.
        if (!pending_.empty() || instrument_.Flooding()) events |= POLLOUT;
        fds[count] = pollfd{lineFd_, events, 0};
        lineSlot = static_cast<int>(count++);
    }
    if (controlFd_ >= 0) {
        fds[count] = pollfd{controlFd_, POLLIN, 0};
        controlSlot = static_cast<int>(count++);
    }
    // Round up, so a due write is never woken for a millisecond early.
    const int timeoutMs = static_cast<int>((waitMicros + 999) / 1000);
    const int ready = poll(fds, count, timeoutMs);
    if (ready < 0) return;  // interrupted by a signal: the caller looks at its stop flag

    if (lineSlot >= 0) {
        const short revents = fds[lineSlot].revents;
        if (revents & POLLIN) {
            ReadLine();
        } else if (revents & (POLLHUP | POLLERR | POLLNVAL)) {
            // Nobody at the other end (a device unplugged): leave the line
            // alone for a while instead of waking on it again at once.
            lineQuietUntil_ = NowMicros() + kHangupPauseMicros;
            Log("line hung up (revents " + std::to_string(revents) + ")");
        }
    }
    if (controlSlot >= 0 && (fds[controlSlot].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL))) ReadControl();
    WriteOut(NowMicros());
}

void LineLoop::ReadLine() {
    char buffer[kReadChunk];
    std::size_t total = 0;
    while (total < kMaxReadPerPass) {
        const ssize_t n = read(lineFd_, buffer, sizeof buffer);
        if (n > 0) {
            total += static_cast<std::size_t>(n);
            const std::string_view bytes(buffer, static_cast<std::size_t>(n));
            Log("rx \"" + EscapeBytes(bytes) + "\"");
            instrument_.Receive(bytes, NowMicros());
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        // End of file or EIO: the other end is gone for now.
        lineQuietUntil_ = NowMicros() + kHangupPauseMicros;
        Log(std::string("line hung up (") + (n == 0 ? "end of file" : std::strerror(errno)) + ")");
        break;
    }
    if (instrument_.TakeFlushRequest() && flushFd_ >= 0) {
        // Readings left in the terminal's queue were sent while no port was
        // open to receive them; a real line would have lost them.
        tcflush(flushFd_, TCIFLUSH);
        if (!pending_.empty()) Log("drop " + std::to_string(pending_.size()) + " unsent bytes");
        pending_.clear();
    }
}

void LineLoop::ReadControl() {
    char buffer[1024];
    const ssize_t n = read(controlFd_, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) return;
    if (n <= 0) {
        // The operator's input is closed: carry on without it.
        controlFd_ = -1;
        return;
    }
    control_.append(buffer, static_cast<std::size_t>(n));
    std::size_t end;
    while ((end = control_.find('\n')) != std::string::npos) {
        const std::string command = control_.substr(0, end);
        control_.erase(0, end + 1);
        const std::string answer = instrument_.Control(command, NowMicros());
        if (!answer.empty() && say) say(answer);
    }
    if (control_.size() > 64 * 1024) control_.clear();
}

bool LineLoop::Write(std::string bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = write(lineFd_, bytes.data() + sent, bytes.size() - sent);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        break;
    }
    if (sent > 0) Log("tx \"" + EscapeBytes(std::string_view(bytes).substr(0, sent)) + "\"");
    if (sent == bytes.size()) return true;
    // Keep the tail so no line reaches the panel cut in two; it goes when
    // the line has room again.
    pending_ = bytes.substr(sent);
    return false;
}

void LineLoop::WriteOut(int64_t now) {
    if (!pending_.empty()) {
        std::string tail = std::move(pending_);
        pending_.clear();
        Write(std::move(tail));
    }
    for (std::string& bytes : instrument_.TakeDue(now)) {
        if (!pending_.empty()) {
            Log("drop \"" + EscapeBytes(bytes) + "\" (line full)");
            continue;
        }
        Write(std::move(bytes));
    }
    // Flooding: as many readings as the line takes, one pass at a time.
    for (int n = 0; n < 256 && pending_.empty() && instrument_.Flooding(); ++n) {
        Write(instrument_.FloodLine());
    }
}

void LineLoop::Run(const volatile int* stop) {
    while (!Finished() && !(stop && *stop)) RunOnce(1000);
}

}  // namespace ktsim
