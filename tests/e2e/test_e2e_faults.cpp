// The whole program when the line misbehaves: a port that is missing, not
// ours to open or held by someone else, a counter that goes away in the middle
// of a reading or of the identification, a line that refuses output or holds
// it with XOFF, and a long burst of key clicks while readings stream. Every
// failure must leave the panel disconnected, say on the message line which
// device failed and why, and let the power key connect again once the cause
// is gone.
//
// The device the panel opens is a symbolic link in a fresh folder (the
// "cable"); plugging a counter in points it at a new pseudo-terminal whose
// far side the test plays.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>

#include "core/soft_panel.h"
#include "support/panel_on_port.h"

namespace kt {
namespace {

using test::PtyLine;
using test::WaitFor;

using test::kConnectedCaption;
using test::kDisconnectedCaption;
using test::kIdentity;
using test::kIdentityTitle;
using test::LineCounter;
constexpr char kReading[] = "10.000000123MHz\n";
constexpr char kXoff = '\x13';
constexpr char kXon = '\x11';
constexpr int kDeadlineMs = 2000;

class PortFaults : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder_.isValid()); }

    // A counter is plugged in: the device now leads to a fresh line.
    void PlugIn() {
        counter_.reset();
        line_ = std::make_unique<PtyLine>();
        ASSERT_TRUE(line_->ok());
        QFile::remove(QString::fromStdString(device_));
        ASSERT_EQ(symlink(line_->slavePath().c_str(), device_.c_str()), 0);
        counter_ = std::make_unique<LineCounter>(*line_, kReading);
    }

    // Runs Form_Load, which connects.
    void Load() { rig_.Load(); }

    // Waits until the counter is identified and reset, as many times as given.
    void ExpectConnected(int resets = 1) {
        ASSERT_TRUE(WaitFor([&] { return counter_->Count("*RST") == resets && !view().timPowerOn.Enabled; },
                             kDeadlineMs))
            << "panel message: " << view().lblMessage.Caption;
        EXPECT_EQ(view().cmdPower.Caption, kConnectedCaption);
        EXPECT_TRUE(serial_->PortOpen());
        EXPECT_EQ(view().lblTitle.Caption, kIdentityTitle);
        EXPECT_TRUE(view().lblMessage.Caption.empty()) << view().lblMessage.Caption;
        ASSERT_NE(Key("cmdFrequency"), nullptr);
        EXPECT_TRUE(Key("cmdFrequency")->isEnabled());
    }

    bool Disconnected() { return rig_.Disconnected(); }

    // Disconnected, keys disabled on the window too, and the message line
    // naming the device and containing the reason.
    void ExpectDisconnectedSaying(const std::vector<std::string>& reason) {
        ASSERT_TRUE(WaitFor([&] { return Disconnected() && !view().lblMessage.Caption.empty(); }, kDeadlineMs))
            << "caption " << view().cmdPower.Caption << ", message \"" << view().lblMessage.Caption << '"';
        for (const char* key : {"cmdFrequency", "cmdEnter", "cmdUp", "cmdSign", "cmdStop"}) {
            ASSERT_NE(Key(key), nullptr) << key;
            EXPECT_FALSE(Key(key)->isEnabled()) << key;
        }
        EXPECT_FALSE(view().lblRemote.Visible);
        const std::string& message = view().lblMessage.Caption;
        RecordProperty("message", message);
        EXPECT_NE(message.find(device_), std::string::npos) << message;
        bool saysWhy = false;
        for (const std::string& words : reason) saysWhy = saysWhy || message.find(words) != std::string::npos;
        EXPECT_TRUE(saysWhy) << message;
        auto* shown = window_->findChild<QLabel*>(QStringLiteral("lblMessage"));
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(shown->text().toStdString(), message);
        auto* power = Key("cmdPower");
        ASSERT_NE(power, nullptr);
        EXPECT_EQ(power->text().toStdString(), kDisconnectedCaption);
        EXPECT_TRUE(power->isEnabled());
    }

    void PowerKey() {
        auto* power = Key("cmdPower");
        ASSERT_NE(power, nullptr);
        power->click();
    }

    // Clicks the key until its command no longer reaches the counter: the
    // line is held.
    bool Held(const char* key, const std::string& command) {
        return WaitFor(
            [&] {
                const int before = counter_->Count(command);
                Key(key)->click();
                return serial_->PortOpen() && !WaitFor([&] { return counter_->Count(command) > before; }, 30);
            },
            kDeadlineMs);
    }

    PanelView& view() { return rig_.view(); }
    QAbstractButton* Key(const char* name) { return rig_.Key(name); }

    // The line and its counter outlive the program, which is closed first.
    QTemporaryDir folder_;
    std::string device_ = folder_.filePath(QStringLiteral("ttyKT0")).toStdString();
    std::unique_ptr<PtyLine> line_;
    std::unique_ptr<LineCounter> counter_;
    test::PanelOnPort rig_{device_};
    QtSerialControl* serial_ = &rig_.serial;
    SoftPanel* panel_ = &rig_.panel;
    frmSoftPanel* window_ = &rig_.window;
};

TEST_F(PortFaults, MissingDeviceIsReportedAndThePowerKeyConnectsOnceItIsThere) {
    Load();
    ExpectDisconnectedSaying({"no such device"});

    PlugIn();
    PowerKey();
    ExpectConnected();
    EXPECT_EQ(counter_->texts(), (std::vector<std::string>{"*IDN?", "*RST"}));
}

TEST_F(PortFaults, PortHeldByAnotherProgramIsReportedAsBusyWithItsHolder) {
    PlugIn();
    QSerialPort holder;
    holder.setPortName(QString::fromStdString(device_));
    ASSERT_TRUE(holder.open(QIODevice::ReadWrite)) << holder.errorString().toStdString();

    Load();
    ExpectDisconnectedSaying({"in use"});
    // The holder's lock file names it: this program, by its process number.
    EXPECT_NE(view().lblMessage.Caption.find("process " + std::to_string(getpid())), std::string::npos)
        << view().lblMessage.Caption;
    EXPECT_TRUE(counter_->lines().empty());

    holder.close();
    PowerKey();
    ExpectConnected();
}

// Needs an ordinary user: the superuser opens any device whatever its mode.
// CTest runs this once more as "nobody" (see tests/CMakeLists.txt).
TEST_F(PortFaults, NoPermissionIsReportedAndThePowerKeyConnectsOnceAllowed) {
    if (geteuid() == 0) GTEST_SKIP() << "the superuser may open any device; run as an ordinary user";
    PlugIn();
    // The pseudo-terminal belongs to this user; with every permission taken
    // away the owner cannot open it either, as with a serial device owned by
    // root and a group the user is not in.
    ASSERT_EQ(chmod(line_->slavePath().c_str(), 0), 0);

    Load();
    ExpectDisconnectedSaying({"permission denied"});
    EXPECT_EQ(serial_->LastFault(), SerialFault::NoPermission);
    EXPECT_TRUE(counter_->lines().empty());

    ASSERT_EQ(chmod(line_->slavePath().c_str(), S_IRUSR | S_IWUSR), 0);
    PowerKey();
    ExpectConnected();
}

TEST_F(PortFaults, CounterLostInTheMiddleOfAReading) {
    PlugIn();
    Load();
    ExpectConnected();
    counter_->Send(kReading);
    ASSERT_TRUE(WaitFor([&] { return view().txtDisplay.Text() == "10.000000123 "; }, kDeadlineMs))
        << view().txtDisplay.Text();

    // Half a line reaches the panel, then the line goes.
    counter_->Send("9.99999");
    ASSERT_TRUE(WaitFor([&] { return view().txtReceive.Text() == "9.99999"; }, kDeadlineMs));
    counter_->HangUp();
    ExpectDisconnectedSaying({"was lost"});
    EXPECT_EQ(serial_->LastFault(), SerialFault::DeviceLost);

    // The half line died with the old connection: the next counter's reply
    // is read on its own, and so are its readings.
    PlugIn();
    PowerKey();
    ExpectConnected();
    counter_->Send("5.000000000MHz\n");
    EXPECT_TRUE(WaitFor([&] { return view().txtDisplay.Text() == "5.000000000 "; }, kDeadlineMs))
        << view().txtDisplay.Text();
}

TEST_F(PortFaults, CounterLostDuringTheIdentification) {
    PlugIn();
    counter_->answerIdentity = false;
    Load();
    ASSERT_TRUE(WaitFor([&] { return counter_->Count("*IDN?") == 1; }, kDeadlineMs));
    ASSERT_TRUE(view().timPowerOn.Enabled) << "the identification step is still to come";
    const std::string half = std::string(kIdentity).substr(0, 12);
    counter_->Send(half);
    ASSERT_TRUE(WaitFor([&] { return view().txtReceive.Text() == half; }, kDeadlineMs));
    counter_->HangUp();
    ExpectDisconnectedSaying({"was lost"});

    // The identification step still comes, finds the port closed and leaves
    // the reason alone.
    const std::string lost = view().lblMessage.Caption;
    ASSERT_TRUE(WaitFor([&] { return !view().timPowerOn.Enabled; }, kDeadlineMs));
    EXPECT_EQ(view().lblMessage.Caption, lost);
    EXPECT_TRUE(Disconnected());

    PlugIn();
    PowerKey();
    ExpectConnected();
}

TEST_F(PortFaults, KeyClickOnALineThatJustClosed) {
    PlugIn();
    Load();
    ExpectConnected();
    counter_->HangUp();
    // No event has run since: the panel still believes it is connected.
    ASSERT_TRUE(Key("cmdFrequency")->isEnabled());
    Key("cmdFrequency")->click();
    Key("cmdRun")->click();
    ExpectDisconnectedSaying({"was lost", "could not be sent"});
    EXPECT_TRUE(serial_->LastFault() == SerialFault::DeviceLost || serial_->LastFault() == SerialFault::WriteFailed);

    PlugIn();
    PowerKey();
    ExpectConnected();
}

// The counter holds the line with XOFF: "SYST:LOC" cannot go out, and
// disconnecting (the power key, closing the window) waits for it no longer
// than its bound.
TEST_F(PortFaults, LineHeldWithXoffDoesNotHangTheWindow) {
    PlugIn();
    auto* xon = window_->findChild<QAction*>(QStringLiteral("mnuSwpaceXon"));
    ASSERT_NE(xon, nullptr);
    xon->trigger();
    EXPECT_EQ(serial_->Handshaking(), 1);
    Load();
    ExpectConnected();

    // Held: a click no longer reaches the counter.
    counter_->Send(std::string(1, kXoff));
    ASSERT_TRUE(Held("cmdFrequency", "SYST:KEY 1")) << "the line never stopped";
    for (int i = 0; i < 200; ++i) Key("cmdUp")->click();
    const int keysBefore = counter_->Count("SYST:KEY 25");

    QElapsedTimer clock;
    clock.start();
    PowerKey();
    const qint64 powerOffMs = clock.elapsed();
    EXPECT_TRUE(Disconnected());
    EXPECT_GE(powerOffMs, 90) << "the queued commands got their chance";
    EXPECT_LT(powerOffMs, 600);
    EXPECT_TRUE(view().lblMessage.Caption.empty()) << view().lblMessage.Caption;
    counter_->Read();
    EXPECT_EQ(counter_->Count("SYST:KEY 25"), keysBefore);

    // Released, the power key connects again.
    counter_->Send(std::string(1, kXon));
    PowerKey();
    ExpectConnected(2);

    // Held again, closing the window is bounded too.
    counter_->Send(std::string(1, kXoff));
    ASSERT_TRUE(Held("cmdSign", "SYST:KEY 29")) << "the line never stopped";
    clock.restart();
    window_->close();
    EXPECT_LT(clock.elapsed(), 600);
    EXPECT_FALSE(serial_->PortOpen());
}

// Each key the mix clicks, with the number the counter knows it by.
struct KeyPress {
    const char* button;
    int number;
};
constexpr KeyPress kMix[] = {
    {"cmdFrequency", 1}, {"cmdOther", 2},        {"cmdTime", 4},         {"cmdArm", 5},       {"cmdUpper", 7},
    {"cmdLimitMode", 8}, {"cmdRun", 9},          {"cmdScale", 10},       {"cmdStats", 11},    {"cmdStop", 12},
    {"cmdCh1Trig", 13},  {"cmdCh1Imp", 14},      {"cmdCh1Coup", 15},     {"cmdCh1Att", 16},   {"cmdCh1Filt", 17},
    {"cmdSpeedHigh", 19}, {"cmdSpeedFast", 20},  {"cmdSpeedMiddle", 21}, {"cmdSpeedLow", 22}, {"cmdUp", 25},
    {"cmdLeft", 26},     {"cmdRight", 27},       {"cmdDown", 28},        {"cmdSign", 29},     {"cmdEnter", 30},
};

TEST_F(PortFaults, TenThousandClicksReachTheCounterInOrderWhileReadingsStream) {
    constexpr int kClicks = 10000;
    PlugIn();
    Load();
    ExpectConnected();
    counter_->StreamReadings(2);

    std::vector<QAbstractButton*> keys;
    for (const KeyPress& k : kMix) {
        keys.push_back(Key(k.button));
        ASSERT_NE(keys.back(), nullptr) << k.button;
    }
    std::vector<std::string> expected{"*IDN?", "*RST"};
    std::mt19937 random(46290);
    int clicked = 0;
    while (clicked < kClicks) {
        // Bursts of up to 600 clicks between event-loop turns: the larger
        // ones queue more than the line's buffer holds.
        const int burst = std::min<int>(kClicks - clicked, static_cast<int>(random() % 600) + 1);
        for (int i = 0; i < burst; ++i, ++clicked) {
            const size_t which = random() % std::size(kMix);
            ASSERT_TRUE(keys[which]->isEnabled()) << kMix[which].button << " after " << clicked << " clicks";
            keys[which]->click();
            expected.push_back("SYST:KEY " + std::to_string(kMix[which].number));
        }
        QCoreApplication::processEvents();
        ASSERT_TRUE(serial_->PortOpen()) << view().lblMessage.Caption;
    }
    ASSERT_TRUE(WaitFor([&] { return counter_->lines().size() >= expected.size(); }, 10000))
        << counter_->lines().size() << " of " << expected.size() << " lines arrived";
    counter_->StopReadings();
    EXPECT_EQ(counter_->lines().size(), expected.size());
    // Compared line by line for a short report at the first difference.
    for (size_t i = 0; i < std::min(expected.size(), counter_->lines().size()); ++i) {
        ASSERT_EQ(counter_->lines()[i].text, expected[i]) << "line " << i;
    }
    EXPECT_GE(counter_->readingsSent, 5) << "readings streamed throughout";
    EXPECT_EQ(view().cmdPower.Caption, kConnectedCaption);
    EXPECT_TRUE(view().lblMessage.Caption.empty()) << view().lblMessage.Caption;
}

// The counter holds the line and does not let go: after 2 s the message line
// says how many commands wait; XON lets them out in the order clicked and
// clears the message.
TEST_F(PortFaults, HeldLineIsReportedAndItsCommandsGoOutInOrderOnXon) {
    PlugIn();
    auto* xon = window_->findChild<QAction*>(QStringLiteral("mnuSwpaceXon"));
    ASSERT_NE(xon, nullptr);
    xon->trigger();
    Load();
    ExpectConnected();

    std::vector<std::string> expected{"*IDN?", "*RST"};
    for (const KeyPress& k : {KeyPress{"cmdFrequency", 1}, KeyPress{"cmdUp", 25}, KeyPress{"cmdDown", 28}}) {
        QObject::connect(Key(k.button), &QAbstractButton::clicked,
                         [&expected, k] { expected.push_back("SYST:KEY " + std::to_string(k.number)); });
    }
    counter_->Send(std::string(1, kXoff));
    ASSERT_TRUE(Held("cmdFrequency", "SYST:KEY 1")) << "the line never stopped";
    for (const char* key : {"cmdUp", "cmdDown", "cmdUp"}) Key(key)->click();
    counter_->Read();
    const size_t waiting = expected.size() - counter_->lines().size();
    ASSERT_GE(waiting, 4u);

    test::RunFor(1000);
    EXPECT_TRUE(view().lblMessage.Caption.empty()) << "reported too early: " << view().lblMessage.Caption;
    const std::string report = "The counter has paused the line (XOFF) on " + device_ + "; " +
                               std::to_string(waiting) + " commands waiting.";
    ASSERT_TRUE(WaitFor([&] { return view().lblMessage.Caption.rfind(report, 0) == 0; }, 2000))
        << "message: \"" << view().lblMessage.Caption << "\", expected it to begin with \"" << report << '"';
    EXPECT_EQ(view().cmdPower.Caption, kConnectedCaption);

    counter_->Send(std::string(1, kXon));
    ASSERT_TRUE(WaitFor([&] { return counter_->lines().size() == expected.size(); }, kDeadlineMs))
        << counter_->lines().size() << " of " << expected.size() << " lines arrived";
    EXPECT_EQ(counter_->texts(), expected);
    EXPECT_TRUE(WaitFor([&] { return view().lblMessage.Caption.empty(); }, 500)) << view().lblMessage.Caption;
}

}  // namespace
}  // namespace kt
