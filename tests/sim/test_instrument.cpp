// The counter on its line: commands in, replies and readings out, and the
// line faults the operator can ask for. Time is simulated in microseconds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "instrument.h"

namespace ktsim {
namespace {

constexpr int64_t kMs = 1000;

// Runs the instrument over simulated time, collecting every write.
class Line {
public:
    explicit Line(Config config = {}) : instrument(std::move(config)) {
        instrument.log = [this](const std::string& text) { logged.push_back(text); };
    }

    void Send(const std::string& bytes) { instrument.Receive(bytes, now); }
    std::string Control(const std::string& command) { return instrument.Control(command, now); }

    // Advances time in 1 ms steps, collecting the writes that fall due.
    void Run(int64_t micros) {
        const int64_t end = now + micros;
        Collect();
        while (now < end) {
            now += kMs;
            Collect();
        }
    }
    void Collect() {
        for (std::string& w : instrument.TakeDue(now)) writes.push_back(std::move(w));
    }
    std::string All() const {
        std::string all;
        for (const std::string& w : writes) all += w;
        return all;
    }
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        std::string all = All();
        std::size_t start = 0;
        std::size_t lf;
        while ((lf = all.find('\n', start)) != std::string::npos) {
            lines.push_back(all.substr(start, lf - start));
            start = lf + 1;
        }
        return lines;
    }
    bool Logged(const std::string& text) const {
        for (const std::string& l : logged) {
            if (l == text) return true;
        }
        return false;
    }

    Instrument instrument;
    int64_t now = 1'000'000;
    std::vector<std::string> writes;
    std::vector<std::string> logged;
};

Config Make(const std::string& model, const std::string& range) {
    Config config;
    config.modelLetter = model;
    config.range = range;
    return config;
}

TEST(SimIdentification, ModelFieldSitsInCharactersEightToFifteen) {
    const struct {
        const char* model;
        const char* range;
        const char* field;
        const char* text;
    } cases[] = {
        {"-", "-1.5G", "KT46290-", "KTLABS,KT46290-1.5G,SN000123,V1.0"},
        {"A", "-1.5G", "KT46290A", "KTLABS,KT46290A-1.5G,SN000123,V1.0"},
        {"-", "-12.4G", "KT46290-", "KTLABS,KT46290-12.4G,SN000123,V1.0"},
        {"A", "-6G", "KT46290A", "KTLABS,KT46290A-6G,SN000123,V1.0"},
        {"-", "", "KT46290-", "KTLABS,KT46290-,SN000123,V1.0"},
        {"A", "", "KT46290A", "KTLABS,KT46290A,SN000123,V1.0"},
        {"B", "-3G", "KT46290B", "KTLABS,KT46290B-3G,SN000123,V1.0"},
    };
    for (const auto& c : cases) {
        const std::string text = IdentificationText(Make(c.model, c.range));
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(text.substr(7, 8), c.field) << text;
    }
}

TEST(SimIdentification, EveryRangeIsFoundAndNoOtherSuffixComesFirst) {
    for (std::size_t i = 0; i < kRangeSuffixes.size(); ++i) {
        for (const char* model : {"-", "A"}) {
            const std::string text = IdentificationText(Make(model, kRangeSuffixes[i]));
            // the first suffix of the table found in the text is the one chosen
            std::size_t found = kRangeSuffixes.size();
            for (std::size_t j = 0; j < kRangeSuffixes.size() && found == kRangeSuffixes.size(); ++j) {
                if (text.find(kRangeSuffixes[j]) != std::string::npos) found = j;
            }
            EXPECT_EQ(found, i) << text;
        }
    }
    const std::string none = IdentificationText(Make("-", ""));
    for (const char* suffix : kRangeSuffixes) EXPECT_EQ(none.find(suffix), std::string::npos) << none;
}

TEST(SimIdentification, OverrideReplacesTheWholeReply) {
    Config config;
    config.idnOverride = "HELLO";
    Line line(config);
    line.Send("*IDN?\n");
    line.Run(0);
    EXPECT_EQ(line.All(), "HELLO\n");
}

TEST(SimLine, SilentUntilReset) {
    Line line;
    line.Run(2000 * kMs);
    EXPECT_TRUE(line.writes.empty());
    EXPECT_FALSE(line.instrument.NextDue(line.now).has_value()) << "nothing to wake for";
}

TEST(SimLine, AnswersIdentificationAtOnceWithLf) {
    Line line;
    line.Send("*IDN?\n");
    line.Run(0);
    ASSERT_EQ(line.writes.size(), 1u);
    EXPECT_EQ(line.writes[0], "KTLABS,KT46290-1.5G,SN000123,V1.0\n");
    EXPECT_TRUE(line.Logged("cmd \"*IDN?\""));
}

TEST(SimLine, AcceptsCrLfLowerCaseAndBlanks) {
    for (const char* question : {"*IDN?\r\n", "*idn?\n", "  *IDN?  \r\n"}) {
        Line line;
        line.Send(question);
        line.Run(0);
        EXPECT_EQ(line.Lines().size(), 1u) << question;
    }
}

TEST(SimLine, CommandsSplitOverSeveralReadsAndTwoInOne) {
    Line line;
    line.Send("*I");
    line.Send("DN");
    line.Run(10 * kMs);
    EXPECT_TRUE(line.writes.empty()) << "no reply before the LF";
    line.Send("?\n*IDN?\n");
    line.Run(0);
    EXPECT_EQ(line.Lines().size(), 2u);
}

TEST(SimLine, OverlongCommandIsDroppedUpToItsLf) {
    Line line;
    line.Send(std::string(Instrument::kMaxCommand + 50, 'X') + "*IDN?\n");
    line.Send("*IDN?\n");
    line.Run(0);
    EXPECT_EQ(line.Lines().size(), 1u) << "only the second question is answered";
    EXPECT_TRUE(line.Logged("overlong command dropped up to its LF"));
}

TEST(SimLine, ResetStartsReadingsAtTheGateRate) {
    Line line;
    line.Send("*RST\n");
    line.Run(1000 * kMs);
    const auto lines = line.Lines();
    EXPECT_GE(lines.size(), 9u);
    EXPECT_LE(lines.size(), 11u);
    for (const std::string& l : lines) {
        EXPECT_EQ(l.size(), std::string("10.000000123MHz").size()) << l;
        EXPECT_EQ(l.substr(l.size() - 3), "MHz") << l;
    }
}

TEST(SimLine, FastGateIsClampedToTheMinimumPeriod) {
    Config config;
    config.minPeriodMicros = 20 * kMs;
    Line line(config);
    line.Send("*RST\nSYST:KEY 19\n");  // 10 ms gate
    line.Run(1000 * kMs);
    EXPECT_GE(line.Lines().size(), 48u);
    EXPECT_LE(line.Lines().size(), 51u);
}

TEST(SimLine, SlowGateGivesFewerFinerReadings) {
    Line line;
    line.Send("*RST\nSYST:KEY 22\n");  // 1 s gate
    line.Run(2500 * kMs);
    const auto lines = line.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), std::string("10.0000001230MHz").size()) << lines[0];
}

TEST(SimLine, IdentificationHoldsReadingsUntilTheNextReset) {
    Line line;
    line.Send("*RST\n");
    line.Run(350 * kMs);
    const std::size_t before = line.Lines().size();
    EXPECT_GE(before, 3u);
    line.Send("*IDN?\n");
    EXPECT_TRUE(line.instrument.TakeFlushRequest());
    EXPECT_FALSE(line.instrument.TakeFlushRequest()) << "one request per question";
    line.Run(1000 * kMs);
    ASSERT_EQ(line.Lines().size(), before + 1);
    EXPECT_EQ(line.Lines().back().substr(0, 14), "KTLABS,KT46290");
    line.Send("*RST\n");
    line.Run(500 * kMs);
    EXPECT_GE(line.Lines().size(), before + 5);
}

TEST(SimLine, StreamThroughIdentificationKeepsTalking) {
    Config config;
    config.streamThroughIdn = true;
    Line line(config);
    line.Run(350 * kMs);
    EXPECT_GE(line.Lines().size(), 3u) << "streams from power-on";
    line.Send("*IDN?\n");
    EXPECT_FALSE(line.instrument.TakeFlushRequest());
    line.Run(300 * kMs);
    const auto lines = line.Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().substr(lines.back().size() - 3), "MHz") << "a reading follows the reply";
    line.Send("SYST:LOC\n");
    const std::size_t count = line.Lines().size();
    line.Run(300 * kMs);
    EXPECT_GT(line.Lines().size(), count);
}

TEST(SimLine, LocalStopsReadingsUntilReset) {
    Line line;
    line.Send("*RST\n");
    line.Run(250 * kMs);
    line.Send("SYST:LOC\n");
    const std::size_t count = line.Lines().size();
    line.Run(500 * kMs);
    EXPECT_EQ(line.Lines().size(), count);
    line.Send("*IDN?\n");
    line.Run(500 * kMs);
    EXPECT_EQ(line.Lines().size(), count + 1) << "only the reply";
    line.Send("*RST\n");
    line.Run(500 * kMs);
    EXPECT_GT(line.Lines().size(), count + 3);
}

TEST(SimLine, KeysChangeWhatTheReadingsShow) {
    Line line;
    line.Send("*RST\n");
    line.Send("SYST:KEY 1\nSYST:KEY 1\n");  // FREQUENCY 2
    line.Run(150 * kMs);
    EXPECT_EQ(line.Lines().back().substr(line.Lines().back().size() - 3), "kHz");
    EXPECT_TRUE(line.Logged("key 1: FREQUENCY 2"));
    line.Send("SYST:KEY 4\n");  // PERIOD 1
    line.Run(150 * kMs);
    EXPECT_EQ(line.Lines().back().substr(line.Lines().back().size() - 2), "ns");
    line.Send("SYST:KEY 12\n");
    const std::size_t count = line.Lines().size();
    line.Run(500 * kMs);
    EXPECT_EQ(line.Lines().size(), count) << "stopped";
    line.Send("SYST:KEY 12\n");
    line.Run(500 * kMs);
    EXPECT_EQ(line.Lines().size(), count + 1) << "a single measurement";
    line.Send("SYST:KEY 9\n");
    line.Run(500 * kMs);
    EXPECT_GE(line.Lines().size(), count + 5);
}

TEST(SimLine, BadKeysAndUnknownCommandsAreIgnored) {
    Line line;
    line.Send("SYST:KEY 99\nSYST:KEY\nSYST:KEY x1\nFOO\n");
    line.Run(100 * kMs);
    EXPECT_TRUE(line.writes.empty());
    EXPECT_TRUE(line.Logged("no such key"));
    EXPECT_TRUE(line.Logged("unknown command ignored"));
}

TEST(SimLine, DelayedIdentificationFallsDueLate) {
    Config config;
    config.idnDelayMicros = 300 * kMs;
    Line line(config);
    line.Send("*IDN?\n");
    ASSERT_TRUE(line.instrument.NextDue(line.now).has_value());
    EXPECT_EQ(*line.instrument.NextDue(line.now), line.now + 300 * kMs);
    line.Run(299 * kMs);
    EXPECT_TRUE(line.writes.empty());
    line.Run(1 * kMs);
    EXPECT_EQ(line.Lines().size(), 1u);
}

TEST(SimLine, MissingIdentificationSendsNothing) {
    Config config;
    config.noIdn = true;
    Line line(config);
    line.Send("*IDN?\n");
    line.Run(1000 * kMs);
    EXPECT_TRUE(line.writes.empty());
    EXPECT_TRUE(line.Logged("identification not answered"));
}

TEST(SimLine, SplitIdentificationArrivesInThreePieces) {
    Config config;
    config.splitIdn = true;
    Line line(config);
    line.Send("*IDN?\n");
    line.Run(100 * kMs);
    ASSERT_EQ(line.writes.size(), 3u);
    EXPECT_EQ(line.writes[2].back(), '\n');
    EXPECT_EQ(line.writes[0].find('\n'), std::string::npos);
    EXPECT_EQ(line.All(), IdentificationText(config) + "\n");
}

TEST(SimLine, CrLfConfigurationEndsEveryLineSo) {
    Config config;
    config.crlf = true;
    Line line(config);
    line.Send("*IDN?\n*RST\n");
    line.Run(250 * kMs);
    ASSERT_GE(line.writes.size(), 3u);
    for (const std::string& w : line.writes) EXPECT_EQ(w.substr(w.size() - 2), "\r\n") << w;
}

TEST(SimLine, BaudPacingSendsBackToBackAtTheLineRate) {
    Config config;
    config.pacing = Pacing::Baud;
    config.baud = 9600;
    Line line(config);
    line.Send("*RST\n");
    line.Run(1000 * kMs);
    // 960 characters a second, 16 a reading
    EXPECT_NEAR(static_cast<double>(line.All().size()), 960.0, 40.0);
}

TEST(SimLine, FloodReadingsComeOnDemand) {
    Config config;
    config.pacing = Pacing::Flood;
    Line line(config);
    EXPECT_FALSE(line.instrument.Flooding());
    line.Send("*RST\n");
    EXPECT_TRUE(line.instrument.Flooding());
    EXPECT_EQ(line.instrument.FloodLine().back(), '\n');
    line.Run(100 * kMs);
    EXPECT_TRUE(line.writes.empty()) << "the loop pulls flood readings itself";
    line.Send("*IDN?\n");
    EXPECT_FALSE(line.instrument.Flooding());
}

TEST(SimControl, LocLineAlsoStopsTheReadings) {
    Line line;
    line.Send("*RST\n");
    line.Run(0);
    EXPECT_EQ(line.Control("loc"), "");
    line.Run(500 * kMs);
    EXPECT_EQ(line.All(), "LOC\n");
}

TEST(SimControl, LinesSentOnRequest) {
    const struct {
        const char* command;
        std::string bytes;
    } cases[] = {
        {"sample", "SAMPLE 10\n"},
        {"sample 3 OF 8", "SAMPLE 3 OF 8\n"},
        {"send LOC\\r", "LOC\r\n"},
        {"send", "\n"},
        {"raw 12.5\\x00", std::string("12.5\0", 5)},
        {"long 12", "012345678901"},
        {"long 0", ""},
    };
    for (const auto& c : cases) {
        Line line;
        EXPECT_EQ(line.Control(c.command), "") << c.command;
        line.Run(0);
        EXPECT_EQ(line.All(), c.bytes) << c.command;
    }
}

TEST(SimControl, GarbageHasNoLineEnd) {
    Line line;
    line.Control("garbage 500");
    line.Run(0);
    ASSERT_EQ(line.writes.size(), 1u);
    EXPECT_EQ(line.writes[0].size(), 500u);
    EXPECT_EQ(line.writes[0].find('\n'), std::string::npos);
}

TEST(SimControl, TwoLinesGoInOneWrite) {
    Line line;
    line.Control("two-lines");
    line.Run(0);
    ASSERT_EQ(line.writes.size(), 1u);
    EXPECT_EQ(line.Lines().size(), 2u);
    EXPECT_EQ(line.writes[0].back(), '\n');
}

TEST(SimControl, SplitAndCrLfApplyToTheNextLineOnly) {
    Line line;
    line.Control("split");
    line.Control("crlf");
    line.Send("*IDN?\n");
    line.Run(100 * kMs);
    ASSERT_EQ(line.writes.size(), 3u);
    EXPECT_EQ(line.All(), IdentificationText(Config{}) + "\r\n");
    line.Send("*IDN?\n");
    line.Run(100 * kMs);
    ASSERT_EQ(line.writes.size(), 4u);
    EXPECT_EQ(line.writes[3], IdentificationText(Config{}) + "\n");
}

TEST(SimControl, SplitReadingKeepsItsPiecesTogether) {
    Config config;
    config.minPeriodMicros = 1 * kMs;
    Line line(config);
    line.Send("*RST\nSYST:KEY 19\n");
    line.Run(5 * kMs);
    line.Control("split");
    line.Run(200 * kMs);
    for (const std::string& l : line.Lines()) EXPECT_EQ(l.substr(l.size() - 3), "MHz") << l;
}

TEST(SimControl, IdentificationCanBeDelayedWithheldAndRestored) {
    Line line;
    EXPECT_EQ(line.Control("idn-delay 50"), "");
    line.Send("*IDN?\n");
    line.Run(49 * kMs);
    EXPECT_TRUE(line.writes.empty());
    line.Run(1 * kMs);
    EXPECT_EQ(line.Lines().size(), 1u);
    line.Control("no-idn");
    line.Send("*IDN?\n");
    line.Run(200 * kMs);
    EXPECT_EQ(line.Lines().size(), 1u);
    line.Control("idn");
    line.Control("idn-delay 0");
    line.Send("*IDN?\n");
    line.Run(0);
    EXPECT_EQ(line.Lines().size(), 2u);
}

TEST(SimControl, KeysSignalsStatusAndQuit) {
    Line line;
    EXPECT_EQ(line.Control("key 4"), "key 4: PERIOD 1");
    EXPECT_EQ(line.Control("signal 1 810"), "");
    line.Control("two-lines");
    line.Run(0);
    EXPECT_EQ(line.Lines()[0].substr(0, 7), "1.23456") << line.Lines()[0];
    const std::string status = line.Control("status");
    EXPECT_NE(status.find("waiting for *RST"), std::string::npos) << status;
    EXPECT_NE(status.find("PERIOD 1"), std::string::npos) << status;
    EXPECT_FALSE(line.instrument.QuitRequested());
    line.Control("quit");
    EXPECT_TRUE(line.instrument.QuitRequested());
}

TEST(SimControl, MistakesAreAnsweredNotActedOn) {
    Line line;
    for (const char* bad : {"garbage -1", "garbage lots", "long 99999999", "idn-delay x", "key 77",
                            "signal 4 100", "signal 1 -3", "signal 1", "frobnicate"}) {
        EXPECT_FALSE(line.Control(bad).empty()) << bad;
    }
    line.Run(100 * kMs);
    EXPECT_TRUE(line.writes.empty());
    EXPECT_EQ(line.Control(""), "");
    EXPECT_NE(line.Control("help").find("garbage N"), std::string::npos);
}

}  // namespace
}  // namespace ktsim
