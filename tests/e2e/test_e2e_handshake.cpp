// The whole program on a real line: the window and the serial control talk
// to a counter played by the test on the far side of a pseudo-terminal.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QLabel>
#include <QSocketNotifier>

#include "core/soft_panel.h"
#include "support/pty_line.h"
#include "view/frm_soft_panel.h"
#include "view/qt_serial_control.h"

namespace kt {
namespace {

using test::PtyLine;
using test::RunFor;
using test::RunUntil;

constexpr char kIdentity[] = "VENDOR,KT46290-1.5G,SN1,V1.0\n";
constexpr char kTitle[] = "KT46290型高精度频率计（Frequency Counter）  -1.5GHz";
constexpr char kConnected[] = "断开";
constexpr char kDisconnected[] = "连接";

// The counter's side: collects the command lines the panel sends, with the
// time each arrived, and answers "*IDN?" when told to.
class Counter {
public:
    explicit Counter(PtyLine& line) : line_(line) {
        clock_.start();
        notifier_ = std::make_unique<QSocketNotifier>(line.masterFd(), QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Read(); });
    }

    bool answerIdentity = true;

    struct Line {
        std::string text;  // without the line feed
        qint64 atMs;
    };
    const std::vector<Line>& lines() const { return lines_; }
    std::vector<std::string> texts() const {
        std::vector<std::string> t;
        for (const auto& l : lines_) t.push_back(l.text);
        return t;
    }
    bool Got(const std::string& text) const {
        for (const auto& l : lines_)
            if (l.text == text) return true;
        return false;
    }
    const Line* Find(const std::string& text) const {
        for (const auto& l : lines_)
            if (l.text == text) return &l;
        return nullptr;
    }

    void Send(const std::string& bytes) { line_.Send(bytes); }

    // The counter is switched off: its side of the line closes.
    void Vanish() {
        notifier_.reset();
        line_.CloseCounterSide();
    }

    // Reads whatever has arrived, also outside the event loop.
    void Read() {
        pending_ += line_.Receive();
        for (size_t lf; (lf = pending_.find('\n')) != std::string::npos;) {
            lines_.push_back({pending_.substr(0, lf), clock_.elapsed()});
            pending_.erase(0, lf + 1);
            if (lines_.back().text == "*IDN?" && answerIdentity) Send(kIdentity);
        }
    }

private:
    PtyLine& line_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QElapsedTimer clock_;
    std::vector<Line> lines_;
    std::string pending_;
};

class Handshake : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(line.ok());
        serial = std::make_unique<QtSerialControl>(std::map<int, std::string>{{1, line.slavePath()}});
        panel = std::make_unique<SoftPanel>(*serial);
        window = std::make_unique<frmSoftPanel>(*panel);
        counter = std::make_unique<Counter>(line);
    }
    void TearDown() override {
        window.reset();
        panel.reset();
        serial.reset();
        counter.reset();
    }

    // Shows the window (which connects) and waits for the reset that follows
    // a recognised identity.
    void Connect() {
        window->show();
        ASSERT_TRUE(RunUntil([&] { return counter->Got("*RST"); }, 1500)) << "no *RST; panel message: "
                                                                           << panel->view.lblMessage.Caption;
    }

    PanelView& view() { return panel->view; }
    void ClickPower() {
        auto* power = window->findChild<QAbstractButton*>(QStringLiteral("cmdPower"));
        ASSERT_NE(power, nullptr);
        power->click();
    }
    QWidget* Widget(const char* name) { return window->findChild<QWidget*>(QString::fromLatin1(name)); }

    PtyLine line;
    std::unique_ptr<QtSerialControl> serial;
    std::unique_ptr<SoftPanel> panel;
    std::unique_ptr<frmSoftPanel> window;
    std::unique_ptr<Counter> counter;
};

TEST_F(Handshake, IdentifiesTheCounterResetsItAndShowsItsReadings) {
    Connect();
    const auto* idn = counter->Find("*IDN?");
    const auto* rst = counter->Find("*RST");
    ASSERT_NE(idn, nullptr);
    ASSERT_NE(rst, nullptr);
    EXPECT_EQ(counter->texts(), (std::vector<std::string>{"*IDN?", "*RST"}));
    // The reset waits for the identification step, 200 ms after connecting
    // (times count from before the window was shown; timers may fire a
    // little early).
    EXPECT_GE(rst->atMs, 190);
    EXPECT_LT(rst->atMs - idn->atMs, 1000);

    EXPECT_EQ(view().lblTitle.Caption, kTitle);
    if (auto* title = qobject_cast<QLabel*>(Widget("lblTitle"))) {
        EXPECT_EQ(title->text().toStdString(), kTitle);
    }
    EXPECT_EQ(view().cmdPower.Caption, kConnected);
    EXPECT_TRUE(view().cmdFrequency.Enabled);
    EXPECT_TRUE(serial->PortOpen());

    counter->Send("10.000000000MHz\n");
    ASSERT_TRUE(RunUntil([&] { return view().txtDisplay.Text() == "10.000000000 "; }, 1000))
        << '"' << view().txtDisplay.Text() << '"';
    EXPECT_TRUE(view().lblPosExp.Visible);
    EXPECT_EQ(view().lblPosExp.Caption, "M");
    EXPECT_TRUE(view().lblFreqUnit.Visible);
    for (const char* name : {"lblPosExp", "lblFreqUnit"}) {
        if (QWidget* shown = Widget(name)) {
            EXPECT_TRUE(shown->isVisible()) << name;
        }
    }
}

TEST_F(Handshake, ClosingTheWindowReturnsTheCounterToLocalBeforeThePortCloses) {
    Connect();
    window->close();
    EXPECT_FALSE(serial->PortOpen());
    // Already on the line when close() returns: the port handed it over
    // before letting go, no later event loop turn needed.
    counter->Read();
    ASSERT_FALSE(counter->lines().empty());
    EXPECT_EQ(counter->lines().back().text, "SYST:LOC");
}

TEST_F(Handshake, MissingReplyDisconnectsWithoutRetrying) {
    counter->answerIdentity = false;
    window->show();
    ASSERT_TRUE(RunUntil([&] { return counter->Got("*IDN?"); }, 1000));
    ASSERT_TRUE(RunUntil([&] { return view().cmdPower.Caption == kDisconnected; }, 1000));
    EXPECT_FALSE(serial->PortOpen());
    EXPECT_FALSE(view().cmdFrequency.Enabled);
    RunFor(500);
    counter->Read();
    EXPECT_EQ(counter->texts(), std::vector<std::string>{"*IDN?"});  // no *RST, no second try
    EXPECT_EQ(view().cmdPower.Caption, kDisconnected);
}

TEST_F(Handshake, LocalLineFromTheCounterDisconnectsSilently) {
    Connect();
    counter->Send("LOC\n");
    ASSERT_TRUE(RunUntil([&] { return view().cmdPower.Caption == kDisconnected; }, 1000));
    EXPECT_FALSE(serial->PortOpen());
    RunFor(50);
    counter->Read();
    EXPECT_EQ(counter->texts(), (std::vector<std::string>{"*IDN?", "*RST"}));  // nothing sent back
}

TEST_F(Handshake, CounterVanishingDisconnectsAndSaysWhichPort) {
    Connect();
    counter->Vanish();
    ASSERT_TRUE(RunUntil([&] { return view().cmdPower.Caption == kDisconnected; }, 1000));
    EXPECT_FALSE(serial->PortOpen());
    EXPECT_FALSE(view().cmdFrequency.Enabled);
    EXPECT_NE(view().lblMessage.Caption.find(line.slavePath()), std::string::npos) << view().lblMessage.Caption;
}

TEST_F(Handshake, ReconnectingWithThePowerKeyIdentifiesAgain) {
    Connect();
    ClickPower();  // switch off: local first
    EXPECT_FALSE(serial->PortOpen());
    counter->Read();
    EXPECT_EQ(counter->lines().back().text, "SYST:LOC");
    // Bytes the counter sends while the port is closed are not seen later.
    counter->Send("stale\n");
    RunFor(30);
    ClickPower();  // switch on
    ASSERT_TRUE(RunUntil([&] { return counter->texts().size() >= 5; }, 1500));
    EXPECT_EQ(counter->texts(), (std::vector<std::string>{"*IDN?", "*RST", "SYST:LOC", "*IDN?", "*RST"}));
    EXPECT_EQ(view().lblTitle.Caption, kTitle);
}

}  // namespace
}  // namespace kt
