// kt46290-stats on recordings written by the recorder and on malformed files.
#include <gtest/gtest.h>

#include <chrono>
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
    // m = 1: (2, -1, 4) mHz -> sqrt(21 / 6) mHz / mean; m = 2: 4 mHz -> sqrt(16 / 8) mHz / mean.
    ASSERT_EQ(Run({"--adev", "--csv"}), kStatsOk);
    std::istringstream rows(out_.str());
    std::string line;
    std::vector<std::string> got;
    while (std::getline(rows, line)) got.push_back(line);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0], "function,unit,tau_s,terms,adev");
    EXPECT_EQ(got[1].substr(0, 24), "FREQUENCY 1,Hz,0.5,3,1.8");
    EXPECT_NEAR(std::stod(got[1].substr(21)), std::sqrt(3.5) * 1e-3 / 10000000.003, 2e-21);
    EXPECT_EQ(got[2].substr(0, 22), "FREQUENCY 1,Hz,1,1,1.4");
    EXPECT_NEAR(std::stod(got[2].substr(19)), std::sqrt(2.0) * 1e-3 / 10000000.003, 2e-21);
    EXPECT_NE(err_.str().find("PERIOD 1 [s]: no Allan deviation: fewer than 2 readings"), std::string::npos);

    ASSERT_EQ(Run({"--tau0", "2e0", "--adev"}), kStatsOk);
    EXPECT_NE(out_.str().find("FREQUENCY 1 [Hz]: 4 readings"), std::string::npos);
    EXPECT_NE(out_.str().find("tau0 2 s"), std::string::npos);
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
        {"time,value\n" + row, {}, "line 1: not a recording of readings"},
        {header + row + "x,1,2,3\n", {}, "line 3: expected 6 fields, found 4"},
        {header + row + row + "\n", {}, "line 4: expected 6 fields, found 1"},
        {header + "t,0.5,5Hz,5e3,Hz,F\n", {}, "line 2: value \"5e3\" is not a number"},
        {header + "t,soon,5Hz,5,Hz,F\n", {}, "line 2: elapsed_s \"soon\" is not a number"},
        {header + "t,0,5,5,V,F\n", {}, "line 2: unknown unit \"V\""},
        {header + row + "t,0,\"5\nHz,5,Hz,F\n", {}, "line 3: a quoted field is not closed"},
        {header + row, {"--tau0", "-1"}, "--tau0 needs a positive number of seconds"},
        {header + row, {"--tau0", "0.1s"}, "--tau0 needs a positive number of seconds"},
        {header + row, {"--fast"}, "unknown option --fast"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        std::ofstream(path_, std::ios::binary) << c.text;
        EXPECT_EQ(Run(c.args), kStatsBadInput);
        EXPECT_NE(err_.str().find(c.error), std::string::npos) << err_.str();
        EXPECT_EQ(out_.str(), "");
    }
}

}  // namespace
}  // namespace kt::test
