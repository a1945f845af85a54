// The event loop on a real pseudo-terminal, in this process: the test plays
// the panel on the terminal end and drives the loop one pass at a time.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <string>

#include "line_loop.h"

namespace ktsim {
namespace {

class PtyRoundTrip : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(OpenPtyLine(&pty_, &error)) << error;
        ASSERT_EQ(pipe(control_), 0);
    }
    void TearDown() override {
        ClosePanel();
        if (pty_.master >= 0) close(pty_.master);
        if (pty_.slave >= 0) close(pty_.slave);
        close(control_[0]);
        close(control_[1]);
    }

    void Start(Config config = {}) {
        instrument_ = std::make_unique<Instrument>(std::move(config));
        loop_ = std::make_unique<LineLoop>(*instrument_, pty_.master, pty_.slave, control_[0]);
        loop_->log = [this](const std::string& text) { log_ += text + "\n"; };
        OpenPanel();
    }

    // The panel opening the port as a serial program does: raw, non-blocking.
    void OpenPanel() {
        panel_ = open(pty_.slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(panel_, 0);
        termios tio{};
        ASSERT_EQ(tcgetattr(panel_, &tio), 0);
        cfmakeraw(&tio);
        ASSERT_EQ(tcsetattr(panel_, TCSANOW, &tio), 0);
    }
    void ClosePanel() {
        if (panel_ >= 0) close(panel_);
        panel_ = -1;
    }
    void PanelSends(const std::string& bytes) {
        ASSERT_EQ(write(panel_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    void Operator(const std::string& command) {
        const std::string line = command + "\n";
        ASSERT_EQ(write(control_[1], line.data(), line.size()), static_cast<ssize_t>(line.size()));
    }
    // Everything the panel can read now.
    std::string PanelReads() {
        std::string all;
        char buffer[4096];
        ssize_t n;
        while ((n = read(panel_, buffer, sizeof buffer)) > 0) all.append(buffer, static_cast<std::size_t>(n));
        return all;
    }
    // Runs the loop until `received` holds `count` LFs or the deadline passes.
    std::string RunUntilLines(int count, int64_t deadlineMs = 2000) {
        std::string received;
        const int64_t end = NowMicros() + deadlineMs * 1000;
        while (NowMicros() < end) {
            loop_->RunOnce(20);
            received += PanelReads();
            int lines = 0;
            for (char c : received) lines += c == '\n';
            if (lines >= count) break;
        }
        return received;
    }
    // Runs the loop for a while; returns the number of passes it made.
    int RunFor(int64_t ms) {
        int passes = 0;
        const int64_t end = NowMicros() + ms * 1000;
        while (NowMicros() < end) {
            loop_->RunOnce(static_cast<int>((end - NowMicros()) / 1000) + 1);
            ++passes;
        }
        return passes;
    }

    PtyLine pty_;
    int control_[2] = {-1, -1};
    int panel_ = -1;
    std::unique_ptr<Instrument> instrument_;
    std::unique_ptr<LineLoop> loop_;
    std::string log_;
};

TEST_F(PtyRoundTrip, IdentifiesAndStreamsOverThePseudoTerminal) {
    Start();
    PanelSends("*IDN?\n");
    EXPECT_EQ(RunUntilLines(1), IdentificationText(Config{}) + "\n");
    PanelSends("*RST\n");
    const std::string readings = RunUntilLines(3);
    EXPECT_EQ(readings.substr(0, 3), "10.") << readings;
    EXPECT_NE(log_.find("rx \"*IDN?\\n\""), std::string::npos) << log_;
    EXPECT_NE(log_.find("tx \"KTLABS,KT46290-1.5G,SN000123,V1.0\\n\""), std::string::npos) << log_;
}

TEST_F(PtyRoundTrip, IdleLoopSleepsInsteadOfSpinning) {
    Start();
    EXPECT_LT(RunFor(300), 10) << "nothing to do: the loop waits in poll";
}

TEST_F(PtyRoundTrip, PanelClosingAndReopeningNeitherHangsNorSpins) {
    Start();
    PanelSends("*RST\n");
    RunUntilLines(2);
    ClosePanel();
    // Readings go on into the closed port; the loop still waits between them.
    EXPECT_LT(RunFor(400), 40);
    OpenPanel();
    PanelSends("*IDN?\n");
    const std::string received = RunUntilLines(1);
    EXPECT_EQ(received, IdentificationText(Config{}) + "\n")
        << "readings queued while the port was closed are gone";
}

TEST_F(PtyRoundTrip, OperatorCommandsReachTheLine) {
    Start();
    Operator("send LOC");
    Operator("sample");
    EXPECT_EQ(RunUntilLines(2), "LOC\nSAMPLE 10\n");
    Operator("quit");
    RunFor(50);
    EXPECT_TRUE(loop_->Finished());
}

TEST_F(PtyRoundTrip, FullLineDropsWholeWritesAndNeverCutsALine) {
    Config config;
    config.pacing = Pacing::Flood;
    Start(config);
    PanelSends("*RST\n");
    // The panel reads nothing for a while: the line fills up, the loop keeps
    // waiting in poll and returns.
    RunFor(200);
    std::string received = PanelReads();
    RunFor(100);
    received += PanelReads();
    instrument_->Control("quit", NowMicros());
    ASSERT_GT(received.size(), 1000u);
    // From the first line end on, every line is a whole reading.
    std::size_t start = received.find('\n') + 1;
    std::size_t lf;
    int lines = 0;
    while ((lf = received.find('\n', start)) != std::string::npos) {
        const std::string line = received.substr(start, lf - start);
        EXPECT_EQ(line.size(), std::string("10.000000123MHz").size()) << line;
        start = lf + 1;
        ++lines;
    }
    EXPECT_GT(lines, 50);
}

TEST_F(PtyRoundTrip, ControlInputClosedLeavesTheLineWorking) {
    Start();
    close(control_[1]);
    control_[1] = -1;
    RunFor(50);
    PanelSends("*IDN?\n");
    EXPECT_EQ(RunUntilLines(1), IdentificationText(Config{}) + "\n");
}

}  // namespace
}  // namespace ktsim
