// kt46290-stats on recordings written by the recorder and on malformed files.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "measurements/recorder.h"
#include "measurements/store.h"
#include "tools/stats_report.h"

namespace kt::test {
namespace {

using namespace std::chrono_literals;

class StatsTool : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = (std::filesystem::temp_directory_path() /
                 ("kt46290-stats-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) +
                  ".csv"))
                    .string();
    }
    void TearDown() override { std::filesystem::remove(path_); }
    int Run(std::vector<std::string> args) {
        out_.str("");
        err_.str("");
        args.push_back(path_);
        return RunStatsTool(args, out_, err_);
    }
    std::string path_;
    std::ostringstream out_, err_;
};

TEST_F(StatsTool, ReadsWhatTheRecorderWrote) {
    // Two recordings appended to one file; frequencies 10 MHz + 1, 3, 2, 6 mHz
    // every 0.5 s, a line that is no number, and a period between them.
    ReadingStore store;
    const char* lines[] = {"10.000000001MHz", "10.000000003MHz", "OVERFLOW", "1.5us", "10.000000002MHz",
                           "10.000000006MHz"};
    for (int session = 0; session < 2; ++session) {
        CsvRecorder recorder;
        const SteadyTime start{};
        ASSERT_TRUE(recorder.Open(path_, start));
        for (int i = 0; i < 3; ++i) {
            const char* line = lines[session * 3 + i];
            const bool period = std::string(line) == "1.5us";
            recorder.Write(store.Add(line, period ? "PERIOD 1  " : "FREQUENCY 1  ", {}, start + i * 500ms));
        }
    }
    ASSERT_EQ(Run({"--csv"}), kStatsOk) << err_.str();
    EXPECT_EQ(out_.str(),
              "function,unit,count,mean,std_dev,min,max\n"
              "FREQUENCY 1,Hz,4,10000000.003,0.00216024689947,10000000.001,10000000.006\n"
              "FREQUENCY 1,,0,,,,\n"
              "PERIOD 1,s,1,1.5e-06,,1.5e-06,1.5e-06\n");

    // By hand, y = (v - mean) / mean with v - mean = -2, 0, -1, 3 mHz:
    // m = 1: (2, -1, 4) mHz -> sqrt(21 / 6) mHz / mean (four values give one
    // averaging factor, N / 4).
    ASSERT_EQ(Run({"--adev", "--csv"}), kStatsOk);
    std::istringstream rows(out_.str());
    std::string line;
    std::vector<std::string> got;
    while (std::getline(rows, line)) got.push_back(line);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0], "function,unit,deviation,tau_s,af,terms,alpha,edf,low,value,high");
    EXPECT_EQ(got[1].substr(0, 29), "FREQUENCY 1,Hz,oadev,0.5,1,3,");
    const std::size_t value_at = got[1].rfind(',', got[1].rfind(',') - 1) + 1;
    EXPECT_NEAR(std::stod(got[1].substr(value_at)), std::sqrt(3.5) * 1e-3 / 10000000.003, 2e-21);
    EXPECT_NE(err_.str().find("PERIOD 1 [s]: one reading: no spacing"), std::string::npos) << err_.str();

    ASSERT_EQ(Run({"--tau0", "2e0", "--adev"}), kStatsOk);
    EXPECT_NE(out_.str().find("FREQUENCY 1 [Hz]: 4 readings (frequency)"), std::string::npos);
    EXPECT_NE(out_.str().find("tau0     2 s\n"), std::string::npos);
    EXPECT_NE(out_.str().find("FREQUENCY 1: 0 readings\n  no readings with a value"), std::string::npos);
}

TEST_F(StatsTool, MalformedFilesAndCommandLinesExitWithStatus2) {
    const std::string header = "time,elapsed_s,reading,value,unit,function\n";
    const std::string row = "2026-12-07T12:00:00.000Z,0.000000,5Hz,5,Hz,FREQUENCY 1\n";
    struct Case {
        std::string text;
        std::vector<std::string> args;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"", {}, "the file is empty"},
        {"time,value\n" + row, {}, "line 2: the line has 6 columns: say which one"},
        {header + row + "x,1,2,3\n", {}, "line 3: expected 6 fields, found 4"},
        {header + row + row + "\n", {}, "line 4: expected 6 fields, found 1"},
        {header + "t,0.5,5Hz,5x3,Hz,F\n", {}, "line 2: value \"5x3\" is not a number"},
        {header + "t,soon,5Hz,5,Hz,F\n", {}, "line 2: elapsed_s \"soon\" is not a number"},
        {header + "t,0,5,5,V,F\n", {}, "line 2: unknown unit \"V\""},
        {header + row + "t,0,\"5\nHz,5,Hz,F\n", {}, "line 3: a quoted field is not closed"},
        {header + row, {"--tau0", "-1"}, "--tau0 needs a positive number of seconds"},
        {header + row, {"--tau0", "0.1s"}, "--tau0 needs a positive number of seconds"},
        {header + row, {"--fast"}, "unknown option --fast"},
        {header + row, {"--dev", "oadev,xdev"}, "unknown deviation \"xdev\""},
        {header + row, {"--confidence", "1"}, "--confidence needs a number between 0 and 1"},
        {header + row, {"--column", "2"}, "line 1: a recording of the panel"},
        {header + row + "t,1e13,5Hz,5,Hz,F\n", {}, "line 3: elapsed_s \"1e13\" is out of range"},
        {header + "t,0,5Hz,5,Hz,F\nt,1,5Hz,5,Hz,F\nt,2,5Hz,5,Hz,F\nt,1e9,5Hz,5,Hz,F\n", {},
         "line 5: elapsed_s jumps by 1e+09 s, 999999997 readings missing"},
        {"# only a comment\n", {}, "no readings, only comments"},
        {"1.5\n2.5\n", {}, "the file has no times: give the spacing of its readings with --tau0"},
        {"f\n1.5\n2,5\n", {"--tau0", "1"}, "line 3: the line has 2 columns"},
        {"1.5\n2.5\nx\n", {"--tau0", "1"}, "line 3: \"x\" is not a number"},
        {"1\t2\n3\n", {"--tau0", "1", "--column", "2"}, "line 2: no column 2: the line has 1"},
        {"1e400\n", {"--tau0", "1"}, "line 1: \"1e400\" is out of range"},
        {std::string(70000, '1') + "\n", {"--tau0", "1"}, "line 1: longer than 65536 bytes"},
        {"1\n", {"--data", "fractional", "--nominal", "5"}, "--nominal is for frequency or period data"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        std::ofstream(path_, std::ios::binary) << c.text;
        EXPECT_EQ(Run(c.args), kStatsBadInput);
        EXPECT_NE(err_.str().find(c.error), std::string::npos) << err_.str();
        EXPECT_EQ(out_.str(), "");
    }
}

TEST_F(StatsTool, ReadsTextFilesOfNumbersInAnyNotation) {
    struct Case {
        std::string name;
        std::string text;
        std::vector<std::string> args;
        std::string rows;  // the oadev rows expected, up to the edf
    };
    // 10 MHz + 1, 3, 2, 6 mHz: at m = 1 the terms and tau; the values are
    // those of the recording above (same differences), checked there.
    const std::vector<Case> cases = {
        {"one column, comments, a header, exponents",
         "# counter on the bench\n% 10 MHz\nfrequency_Hz\n1.0000000001E+07\n10000000.003\n"
         "1.0000000002e7\n  +10000000006e-3\n",
         {"--tau0", "0.5"},
         ",,oadev,0.5,1,3,"},  // no function, no unit: the fields are empty
        {"TSV, second column, CRLF", "t\tf\r\n0\t10000000.001\r\n1\t10000000.003\r\n2\t10000000.002\r\n"
         "3\t10000000.006\r\n", {"--tau0", "2", "--column", "2"}, ",,oadev,2,1,3,"},
        {"semicolons and blanks", "1 ; 10000000.001\n2 ; 10000000.003\n3;10000000.002\n4 ;10000000.006;\n",
         {"--tau0", "1", "--column", "2"}, ",,oadev,1,1,3,"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(path_, std::ios::binary) << c.text;
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--csv", "--dev", "oadev"});
        ASSERT_EQ(Run(args), kStatsOk) << err_.str();
        EXPECT_NE(out_.str().find("\n" + c.rows), std::string::npos) << out_.str();
        const std::size_t value_at = out_.str().rfind(',', out_.str().rfind(',') - 1) + 1;
        EXPECT_NEAR(std::stod(out_.str().substr(value_at)), std::sqrt(3.5) * 1e-3 / 10000000.003, 2e-21);
    }
    std::ofstream(path_, std::ios::binary) << "1\n1.5\n";
    ASSERT_EQ(Run({"--tau0", "1", "--dev", "hdev,oadev"}), kStatsOk);
    EXPECT_NE(out_.str().find("readings: 2 readings (frequency)"), std::string::npos) << out_.str();
    EXPECT_NE(out_.str().find("hdev: too few readings for any point"), std::string::npos) << out_.str();
    EXPECT_EQ(out_.str().find("nan"), std::string::npos);
}

TEST_F(StatsTool, ReportsGapsDriftAndHadamardNote) {
    // 40 readings every second with 3 missing after the 20th, and a drift
    // of 1 mHz per reading: 1e-10 per second of 10 MHz.
    std::string text = "time,elapsed_s,reading,value,unit,function\n";
    for (int i = 0, t = 0; i < 40; ++i, ++t) {
        if (i == 20) t += 3;
        char row[96];
        std::snprintf(row, sizeof row, "x,%d.000000,r,%d.%03d,Hz,FREQUENCY 1\n", t, 10000000 + t / 1000, t % 1000);
        text += row;
    }
    std::ofstream(path_, std::ios::binary) << text;
    ASSERT_EQ(Run({"--dev", "ohdev", "--remove-drift"}), kStatsOk) << err_.str();
    const std::string& o = out_.str();
    EXPECT_NE(o.find("tau0     1 s (the median spacing of elapsed_s)"), std::string::npos) << o;
    EXPECT_NE(o.find("gaps     1 gap, 3 readings missing, the longest 3"), std::string::npos) << o;
    EXPECT_NE(o.find("drift    +8.64e-06 ± "), std::string::npos) << o;
    EXPECT_NE(o.find(" per day (fractional frequency), +0.001 ± "), std::string::npos) << o;
    EXPECT_NE(o.find("removed before the deviations"), std::string::npos);
    EXPECT_NE(o.find("ignores linear frequency drift"), std::string::npos);
}

TEST_F(StatsTool, DriftHasTheSignOfTheFrequencyWhateverTheReadingsAre) {
    // The same source rising 1e-9 per second, read as frequency, as period
    // and as phase (x in seconds): the fractional drift is the same, the
    // unit's drift has the reading's own sign (none for phase).
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::string unit;
        double (*reading)(int t);
        std::string in_unit;
    };
    const std::vector<Case> cases = {
        {"frequency", {}, "Hz", [](int t) { return 1e6 * (1 + 1e-9 * t); }, " per day (fractional frequency), +0.001 ± "},
        {"period", {}, "s", [](int t) { return 1e-6 / (1 + 1e-9 * t); }, " per day (fractional frequency), -1e-15 ± "},
        {"phase", {"--data", "phase"}, "s", [](int t) { return 1e-9 * t * (t + 1) / 2; }, " per day (fractional frequency)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text = "time,elapsed_s,reading,value,unit,function\n";
        for (int t = 0; t < 50; ++t) {
            char row[128];
            std::snprintf(row, sizeof row, "x,%d,r,%.17g,%s,F\n", t, c.reading(t), c.unit.c_str());
            text += row;
        }
        std::ofstream(path_, std::ios::binary) << text;
        ASSERT_EQ(Run(c.args), kStatsOk) << err_.str();
        const std::string& report = out_.str();
        const std::size_t line = report.find("drift    +8.64e-05 ± ");
        ASSERT_NE(line, std::string::npos) << report;
        EXPECT_NE(report.find(c.in_unit, line), std::string::npos) << report;
    }
}

}  // namespace
}  // namespace kt::test
