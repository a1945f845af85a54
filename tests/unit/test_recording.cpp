// The CSV form of readings and the recorder: times, quoting, append without
// truncation, the header once, flushing, and failures named with the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "measurements/csv.h"
#include "measurements/recorder.h"
#include "measurements/store.h"

namespace kt::test {
namespace {

using namespace std::chrono;

std::string Slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(CsvForm, IsoTimeMatchesTheCalendarOverCenturies) {
    // Within the clock's range of +-292 years.
    for (long long d = -100000; d <= 100000; d += 97) {
        const sys_days day{days{d}};
        const year_month_day ymd{day};
        char want[40];
        std::snprintf(want, sizeof want, "%04d-%02u-%02uT23:59:59.999Z", int(ymd.year()), unsigned(ymd.month()),
                      unsigned(ymd.day()));
        ASSERT_EQ(FormatIsoUtc(time_point_cast<SystemTime::duration>(day + 24h - 1ms)), want) << d;
    }
    EXPECT_EQ(FormatIsoUtc(sys_days{2026y / 12 / 7} + 12h + 123ms), "2026-12-07T12:00:00.123Z");
    EXPECT_EQ(FormatIsoUtc(SystemTime{} - 1ms), "1969-12-31T23:59:59.999Z");
}

TEST(CsvForm, ElapsedSecondsWithSixDecimals) {
    struct Case {
        nanoseconds elapsed;
        const char* text;
    };
    for (const Case& c : std::vector<Case>{{0ns, "0.000000"},
                                           {1500ms, "1.500000"},
                                           {123456789ns, "0.123457"},
                                           {499ns, "0.000000"},
                                           {86400s + 1us, "86400.000001"},
                                           {-2500us, "-0.002500"}}) {
        std::string out;
        AppendElapsed(out, c.elapsed);
        EXPECT_EQ(out, c.text);
    }
}

TEST(CsvForm, RowsQuoteOnlyWhatNeedsIt) {
    ReadingStore store;
    const SteadyTime t0{};
    const SystemTime noon = sys_days{2026y / 12 / 7} + 12h;
    struct Case {
        std::string line;
        std::string function;
        std::string row;
    };
    const std::vector<Case> cases = {
        {"10.000000123MHz\r\n", "FREQUENCY 1      ",
         "2026-12-07T12:00:00.000Z,2.000000,10.000000123MHz,10000000.123,Hz,FREQUENCY 1\n"},
        {"1,5 Hz", "RATIO 2 TO 1", "2026-12-07T12:00:00.000Z,2.000000,\"1,5 Hz\",,,RATIO 2 TO 1\n"},
        {"say \"hi\"\x01\r\t\x7f\r\n", "PERIOD 2",
         "2026-12-07T12:00:00.000Z,2.000000,\"say \"\"hi\"\"\x01\r\t\x7f\",,,PERIOD 2\n"},
        {"\xe9t\xe9", "", "2026-12-07T12:00:00.000Z,2.000000,\xe9t\xe9,,,\n"},
    };
    for (const Case& c : cases) {
        std::string row;
        AppendCsvRow(row, store.Add(c.line, c.function, noon, t0 + 2s), t0);
        EXPECT_EQ(row, c.row);
        // What the reader reads back is what was written.
        std::istringstream in(row);
        CsvReader reader(in);
        std::vector<std::string> fields;
        ASSERT_TRUE(reader.Next(fields)) << reader.Error();
        ASSERT_EQ(fields.size(), 6u);
        EXPECT_EQ(fields[2], std::string(StripLineEnd(c.line)));
        EXPECT_FALSE(reader.Next(fields));
        EXPECT_EQ(reader.Error(), "");
    }
}

TEST(CsvForm, ReaderNamesTheLineOfAMalformedRecord) {
    struct Case {
        std::string text;
        uint64_t line;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"a,b\n\"x\ny\",z\nc,\"d", 4, "a quoted field is not closed"},
        {"a,b\r\n\"x\"y,z\n", 2, "characters after the closing quote of a field"},
        {"a\nb\nc\"d\n", 3, "a quote inside an unquoted field"},
        {"a\rb\n", 1, "a carriage return outside quotes"},
    };
    for (const Case& c : cases) {
        std::istringstream in(c.text);
        CsvReader reader(in);
        std::vector<std::string> fields;
        while (reader.Next(fields)) {
        }
        EXPECT_EQ(reader.Error(), c.error);
        EXPECT_EQ(reader.RecordLine(), c.line) << c.text;
    }
}

class RecorderTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("kt46290-recorder-" + std::to_string(steady_clock::now().time_since_epoch().count()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    const Reading& Next(const std::string& line) { return store_.Add(line, "FREQUENCY 1", {}, SteadyTime{} + 1s); }

    std::filesystem::path dir_;
    ReadingStore store_;
};

TEST_F(RecorderTest, AppendsNeverTruncatesAndWritesTheHeaderOnce) {
    const std::string path = (dir_ / "log.csv").string();
    for (int session = 0; session < 2; ++session) {
        CsvRecorder recorder;
        ASSERT_TRUE(recorder.Open(path, SteadyTime{})) << recorder.Error();
        recorder.Write(Next("1Hz"));
        recorder.Write(Next("2Hz"));
        EXPECT_EQ(recorder.RowsPending(), 2u);
        EXPECT_TRUE(recorder.Close());
        EXPECT_EQ(recorder.RowsWritten(), 2u);
    }
    const std::string text = Slurp(path);
    EXPECT_EQ(text.find(kCsvHeader), 0u);
    EXPECT_EQ(text.find("time,", 1), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 5);
}

TEST_F(RecorderTest, RowsReachTheFileOnFlushAndAtTheEnd) {
    const std::string path = (dir_ / "log.csv").string();
    {
        CsvRecorder recorder;
        ASSERT_TRUE(recorder.Open(path, SteadyTime{}));
        EXPECT_EQ(Slurp(path), kCsvHeader);  // the header at once: a bad file is told at the start
        recorder.Write(Next("1Hz"));
        EXPECT_EQ(Slurp(path), kCsvHeader);
        EXPECT_TRUE(recorder.Flush());
        EXPECT_EQ(recorder.RowsWritten(), 1u);
        EXPECT_NE(Slurp(path).find(",1Hz,1,Hz,"), std::string::npos);
        recorder.Write(Next("2Hz"));
    }  // destroyed while recording
    EXPECT_NE(Slurp(path).find(",2Hz,2,Hz,"), std::string::npos);
}

TEST_F(RecorderTest, AFailureStopsTheRecordingAndNamesTheFile) {
    CsvRecorder recorder;
    const std::string missing = (dir_ / "no such folder" / "log.csv").string();
    EXPECT_FALSE(recorder.Open(missing, SteadyTime{}));
    EXPECT_FALSE(recorder.IsOpen());
    EXPECT_EQ(recorder.Error(), "Cannot open " + missing + ": " + std::strerror(ENOENT));

    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    // A full disk: writing the header fails, so the recording never starts.
    EXPECT_FALSE(recorder.Open("/dev/full", SteadyTime{}));
    EXPECT_EQ(recorder.Error(), std::string("Cannot write /dev/full: ") + std::strerror(ENOSPC));
    recorder.Write(Next("1Hz"));
    EXPECT_EQ(recorder.RowsPending(), 0u);
    EXPECT_FALSE(recorder.Close());  // the failure stays reported

    ASSERT_TRUE(recorder.Open((dir_ / "ok.csv").string(), SteadyTime{}));
    EXPECT_EQ(recorder.Error(), "");
}

}  // namespace
}  // namespace kt::test
