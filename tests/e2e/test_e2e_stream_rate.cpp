// The same bytes do the same whatever the rate of the stream around them: on
// a real line (a pseudo-terminal) the window shows what the receive assembly
// makes of each read, and the identification step reads the text completed
// last, whether the counter streams slowly or fast.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include <QTimer>

#include "support/connected_panel.h"
#include "support/panel_on_port.h"

namespace kt::test {
namespace {

constexpr char kStreamed[] = "10.000000123MHz\n";

// What the panel shows and whether it is connected.
struct Shown {
    std::string display;
    std::string string;  // txtString: the last completed text
    bool posExp = false;
    bool negExp = false;
    bool freqUnit = false;
    bool gate = false;
    bool connected = false;
    bool operator==(const Shown&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Shown& s) {
    return out << "display \"" << s.display << "\" string \"" << s.string << "\" k/M " << s.posExp << " m/u "
               << s.negExp << " Hz " << s.freqUnit << " gate " << s.gate << " connected " << s.connected;
}

Shown Look(const PanelView& v, bool connected) {
    return {v.txtDisplay.Text(), v.txtString.Text(), v.lblPosExp.Visible, v.lblNegExp.Visible,
            v.lblFreqUnit.Visible, v.lblGate.Visible, connected};
}

// What the receive assembly makes of one read after a streamed reading.
Shown AssemblyGives(const std::string& read) {
    ConnectedPanel fake;
    fake.Connect();
    fake.serial.Receive(kStreamed);
    fake.serial.Receive(read);
    return Look(fake.panel.view, fake.Connected());
}

// The window on a line whose counter streams a reading every everyMs; each
// text arrives in one read 10 ms after a streamed reading, as a counter
// sends it in one piece amid its stream.
std::vector<Shown> ShownAtRate(int everyMs, const std::vector<std::string>& reads) {
    PtyLine line;
    EXPECT_TRUE(line.ok());
    LineCounter counter(line, kStreamed);
    PanelOnPort rig(line.slavePath());
    rig.window.show();
    EXPECT_TRUE(WaitFor([&] { return counter.Got("*RST"); }, 1500));
    std::vector<Shown> shown;
    for (const std::string& read : reads) {
        const int before = counter.readingsSent;
        counter.StreamReadings(everyMs);
        EXPECT_TRUE(WaitFor([&] { return counter.readingsSent >= before + 5; }, 10 * everyMs + 1000));
        counter.StopReadings();
        RunFor(10);
        counter.Send(read);
        RunFor(150);
        shown.push_back(Look(rig.view(), rig.Connected()));
    }
    return shown;
}

TEST(StreamRate, OneReadShowsTheSameAtFiveAndTwentyLinesASecond) {
    // "LOC" last: were it taken for the local line, the panel would be gone.
    const std::vector<std::string> reads = {"SAMPLE 10\n1.0Hz\n", "1.5\n2.5kHz\n", "1.0Hz\nLOC\n"};
    std::vector<Shown> expected;
    for (const std::string& read : reads) expected.push_back(AssemblyGives(read));
    // Only a completed text that is exactly "LOC" disconnects; "SAMPLE" text
    // leaves the streamed reading on the display and the gate dark.
    EXPECT_TRUE(expected[2].connected);
    EXPECT_EQ(expected[0].display, AssemblyGives("").display);
    EXPECT_FALSE(expected[0].gate);

    for (const int everyMs : {200, 50}) {
        SCOPED_TRACE("a reading every " + std::to_string(everyMs) + " ms");
        const std::vector<Shown> shown = ShownAtRate(everyMs, reads);
        ASSERT_EQ(shown.size(), reads.size());
        for (std::size_t i = 0; i < reads.size(); ++i) EXPECT_EQ(shown[i], expected[i]) << reads[i];
    }
}

// The counter streams a reading every everyMs until it answers "*IDN?",
// 60 ms after the question; with readingAfter it sends one more reading
// 30 ms after its reply, well before the identification step runs at 200 ms.
bool IdentifiedAmidStream(int everyMs, bool readingAfter) {
    PtyLine line;
    EXPECT_TRUE(line.ok());
    LineCounter counter(line, kStreamed);
    PanelOnPort rig(line.slavePath());
    counter.answerIdentity = false;
    counter.onCommand = [&](const std::string& command) {
        if (command != "*IDN?") return;
        QTimer::singleShot(60, Qt::PreciseTimer, &rig.window, [&] {
            counter.StopReadings();
            counter.Send(counter.identity);
            if (readingAfter) QTimer::singleShot(30, Qt::PreciseTimer, &rig.window, [&] { counter.Send(kStreamed); });
        });
    };
    counter.StreamReadings(everyMs);
    rig.window.show();
    EXPECT_TRUE(WaitFor([&] { return counter.Got("*IDN?"); }, 1500));
    EXPECT_TRUE(WaitFor([&] { return !rig.view().timPowerOn.Enabled; }, 1500));
    RunFor(50);
    counter.Read();
    return rig.Connected() && counter.Got("*RST");
}

TEST(StreamRate, IdentificationReadsTheTextCompletedLastAtAnyRate) {
    for (const int everyMs : {1000, 50}) {
        SCOPED_TRACE("a reading every " + std::to_string(everyMs) + " ms");
        EXPECT_TRUE(IdentifiedAmidStream(everyMs, false));
        EXPECT_FALSE(IdentifiedAmidStream(everyMs, true));
    }
}

}  // namespace
}  // namespace kt::test
