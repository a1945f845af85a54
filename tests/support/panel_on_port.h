// The whole program on a serial device, for end-to-end tests: the Qt serial
// control with port 1 on the device, the panel logic on it and the window on
// the panel, built and destroyed in that order. And the counter's side of a
// pseudo-terminal line, played by the test.
//
//   PtyLine line;                       // or a simulator's terminal, a symlink, ...
//   PanelOnPort rig(line.slavePath());
//   LineCounter counter(line);          // answers "*IDN?" with kIdentity
//   rig.window.show();                  // or rig.Load(): Form_Load connects
//   ASSERT_TRUE(WaitFor([&] { return counter.Count("*RST") == 1; }));
//   rig.Key("cmdFrequency")->click();
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>

#include "core/soft_panel.h"
#include "support/event_loop.h"
#include "support/identity.h"
#include "support/pty_line.h"
#include "view/frm_soft_panel.h"
#include "view/qt_serial_control.h"

namespace kt::test {

// The power key's two captions.
inline const std::string kConnectedCaption = "断开";
inline const std::string kDisconnectedCaption = "连接";

struct PanelOnPort {
    explicit PanelOnPort(const std::string& device) : serial({{1, device}}), panel(serial), window(panel) {}

    QtSerialControl serial;
    SoftPanel panel;
    frmSoftPanel window;

    PanelView& view() { return panel.view; }
    // Runs Form_Load now (showing the window runs it from the event loop).
    void Load() { window.RunFormLoad(); }

    template <typename T = QWidget>
    T* Find(const char* name) {
        return window.findChild<T*>(QString::fromLatin1(name));
    }
    QAbstractButton* Key(const char* name) { return Find<QAbstractButton>(name); }

    bool Connected() const { return panel.view.cmdPower.Caption == kConnectedCaption && serial.PortOpen(); }
    bool Disconnected() const { return panel.view.cmdPower.Caption == kDisconnectedCaption && !serial.PortOpen(); }
};

// The counter's side of a pseudo-terminal: collects the command lines the
// panel sends (with the time each arrived), answers "*IDN?" while
// answerIdentity holds, and can stream readings.
class LineCounter {
public:
    explicit LineCounter(PtyLine& line, std::string reading = "10.000000123MHz\n")
        : line_(line), reading_(std::move(reading)) {
        clock_.start();
        notifier_ = std::make_unique<QSocketNotifier>(line.masterFd(), QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Read(); });
        QObject::connect(&stream_, &QTimer::timeout, [this] {
            line_.Send(reading_);
            ++readingsSent;
        });
    }

    bool answerIdentity = true;
    std::string identity = kIdentity;
    // Told every command line as it arrives (after answering "*IDN?").
    std::function<void(const std::string&)> onCommand;
    int readingsSent = 0;

    struct Line {
        std::string text;  // without the line feed
        qint64 atMs;       // since the counter was made
    };
    const std::vector<Line>& lines() const { return lines_; }
    std::vector<std::string> texts() const {
        std::vector<std::string> t;
        for (const auto& l : lines_) t.push_back(l.text);
        return t;
    }
    const Line* Find(const std::string& text) const {
        for (const auto& l : lines_)
            if (l.text == text) return &l;
        return nullptr;
    }
    bool Got(const std::string& text) const { return Find(text) != nullptr; }
    int Count(const std::string& text) const {
        int n = 0;
        for (const auto& l : lines_) n += l.text == text;
        return n;
    }

    void Send(const std::string& bytes) { line_.Send(bytes); }
    void StreamReadings(int everyMs) { stream_.start(everyMs); }
    void StopReadings() { stream_.stop(); }

    // The counter is switched off or its cable pulled: its side closes.
    void HangUp() {
        stream_.stop();
        notifier_.reset();
        line_.CloseCounterSide();
    }

    // Reads whatever has arrived, also outside the event loop.
    void Read() {
        pending_ += line_.Receive();
        for (size_t lf; (lf = pending_.find('\n')) != std::string::npos;) {
            lines_.push_back({pending_.substr(0, lf), clock_.elapsed()});
            pending_.erase(0, lf + 1);
            if (lines_.back().text == "*IDN?" && answerIdentity) Send(identity);
            if (onCommand) onCommand(lines_.back().text);
        }
    }

private:
    PtyLine& line_;
    std::string reading_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer stream_;
    QElapsedTimer clock_;
    std::vector<Line> lines_;
    std::string pending_;
};

}  // namespace kt::test
