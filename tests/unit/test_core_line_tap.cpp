// The tap on the receive path: which lines reach the record of readings, in
// which order and with which function, while the panel goes on as before.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "core/receive_text.h"
#include "support/connected_panel.h"

namespace kt::test {
namespace {

struct Recorder : ReceivedLineObserver {
    std::vector<std::pair<std::string, std::string>> lines;  // text, function
    std::vector<ReadTime> times;
    void OnReceivedLine(std::string_view line, std::string_view function, ReadTime read) override {
        lines.emplace_back(std::string(line), std::string(function));
        times.push_back(read);
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& l : lines) texts.push_back(l.first);
        return texts;
    }
};

class LineTapTest : public PanelTest {
protected:
    Recorder record;
    void SetUp() override {
        panel.lineTap.observer = &record;
        Connect();
    }
};

TEST_F(LineTapTest, IdentificationReplyIsNotAReading) {
    EXPECT_TRUE(record.lines.empty());
    serial.Receive("10.0MHz\n");
    EXPECT_EQ(record.Texts(), std::vector<std::string>{"10.0MHz"});
}

TEST_F(LineTapTest, PiecesBecomeLinesInArrivalOrder) {
    struct Case {
        std::vector<std::string> pieces;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {{"1.0MHz\n2.0MHz\n3.0MHz\n"}, {"1.0MHz", "2.0MHz", "3.0MHz"}},
        {{"12.", "34", "5kHz\n"}, {"12.345kHz"}},
        {{"1.0MHz\n2.0", "MHz\n"}, {"1.0MHz", "2.0MHz"}},
        {{"1.0MHz\r\n", "\r\n", "\n"}, {"1.0MHz", "", ""}},
        {{"a\rb\r\r\n"}, {"a\rb\r"}},
        {{"SAMPLE 3\n5.0Hz\nSAMPLES\n"}, {"5.0Hz"}},
        {{"LOC\r\n"}, {"LOC"}},
        {{" SAMPLE\nLOC \n"}, {" SAMPLE", "LOC "}},
    };
    for (const auto& c : cases) {
        record.lines.clear();
        for (const auto& piece : c.pieces) serial.Receive(piece);
        EXPECT_EQ(record.Texts(), c.lines) << c.pieces.front();
    }
}

TEST_F(LineTapTest, LocLineDisconnectsAndIsNotAReading) {
    serial.Receive("1.0MHz\nLOC\n2.0MHz\n");  // LOC among other lines: the panel stays connected
    EXPECT_EQ(record.Texts(), (std::vector<std::string>{"1.0MHz", "2.0MHz"}));
    record.lines.clear();
    serial.Receive("LOC\n");
    EXPECT_FALSE(Connected());
    EXPECT_TRUE(record.lines.empty());
}

TEST_F(LineTapTest, ReadingsUnderAMenuAreKeptWithTheMirroredFunction) {
    serial.Receive("10.0MHz\n");
    panel.cmdFrequency_Click();  // shows FREQUENCY 1
    panel.cmdFrequency_Click();  // steps to FREQUENCY 2
    serial.Receive("9.0MHz\n");
    EXPECT_EQ(Display(), "FREQUENCY 2    ");
    panel.cmdTime_Click();
    serial.Receive("1.0ms\n");
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"10.0MHz", "FREQUENCY 1"}, {"9.0MHz", "FREQUENCY 2"}, {"1.0ms", "PERIOD 1"}};
    EXPECT_EQ(record.lines, expected);
}

TEST(MeasFunctionName, EveryFunctionHasItsMenuText) {
    EXPECT_EQ(MeasFunctionName(0), "FREQUENCY 1");
    EXPECT_EQ(MeasFunctionName(5), "RATIO 2 TO 1");
    EXPECT_EQ(MeasFunctionName(8), "PERIOD 2");
    EXPECT_EQ(MeasFunctionName(10), "FREQ CHECK");
    EXPECT_EQ(MeasFunctionName(11), "");
    EXPECT_EQ(MeasFunctionName(-1), "");
}

// A line takes the time of the read that brought its line feed, whether or
// not the text it belongs to is complete.
TEST_F(LineTapTest, LinesTakeTheTimeOfTheReadThatBroughtTheirLineFeed) {
    const auto at = [](int ms) {
        const auto t = std::chrono::milliseconds(ms);
        return ReadTime{std::chrono::system_clock::time_point(t), std::chrono::steady_clock::time_point(t)};
    };
    serial.Receive("1.0MHz\n", at(100));
    serial.Receive("2.0MHz\n3.0", at(150));
    serial.Receive("MHz\n4.0MHz\n", at(200));
    ASSERT_EQ(record.Texts(), (std::vector<std::string>{"1.0MHz", "2.0MHz", "3.0MHz", "4.0MHz"}));
    const std::vector<int> expectedMs = {100, 150, 200, 200};
    for (std::size_t i = 0; i < expectedMs.size(); ++i) {
        EXPECT_EQ(record.times[i].steady, at(expectedMs[i]).steady) << i;
        EXPECT_EQ(record.times[i].wall, at(expectedMs[i]).wall) << i;
    }
}

// A flood whose reads never end on a line feed: the text never completes,
// and the receive buffer keeps only its newest characters, but every reading
// has been handed on by then.
TEST_F(LineTapTest, FloodReadsThatNeverEndOnALineFeedLoseNoReading) {
    std::string stream;
    for (int i = 0; i < 10000; ++i) stream += std::to_string(10'000'000 + i) + ".123456MHz\n";
    for (std::size_t pos = 0; pos < stream.size();) {
        std::size_t end = std::min(stream.size(), pos + 4000);
        if (end < stream.size() && stream[end - 1] == '\n') ++end;
        serial.Receive(stream.substr(pos, end - pos));
        pos = end;
    }
    EXPECT_EQ(panel.view.txtString.Text().size(), kReceiveLimit);  // what the display's text kept
    ASSERT_EQ(record.lines.size(), 10000u);
    for (int i = 0; i < 10000; i += 999) {
        EXPECT_EQ(record.lines[static_cast<std::size_t>(i)].first, std::to_string(10'000'000 + i) + ".123456MHz");
    }
    EXPECT_EQ(record.lines.back().first, "10009999.123456MHz");
}

// A line longer than the receive buffer is what the buffer kept of it.
TEST_F(LineTapTest, EndlessLineIsBoundedLikeTheReceiveBuffer) {
    const std::string flood(3 * kReceiveLimit, 'x');
    serial.Receive(flood);
    serial.Receive(flood);
    serial.Receive("y\n");
    ASSERT_EQ(record.lines.size(), 1u);
    EXPECT_EQ(record.lines[0].first, panel.view.txtString.Text().substr(0, kReceiveLimit - 1));
    EXPECT_EQ(record.lines[0].first.back(), 'y');
}

}  // namespace
}  // namespace kt::test
