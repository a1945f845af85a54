// Recording against the counter simulator: the file holds exactly the
// readings the counter sent, with the function the panel held as each
// arrived; a terminated panel says goodbye to the counter and closes its file.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <QProcess>
#include <QTemporaryDir>

#include "measurements/csv.h"
#include "support/panel_on_port.h"
#include "support/simulator_process.h"
#include "view/data_menu.h"
#include "view/readings_record.h"

namespace kt::test {
namespace {

// The reading and function columns of a recorded file.
std::vector<std::pair<std::string, std::string>> RecordedRows(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    CsvReader reader(in);
    std::vector<std::string> fields;
    std::vector<std::pair<std::string, std::string>> rows;
    if (!reader.Next(fields)) return rows;  // the header
    while (reader.Next(fields)) {
        if (fields.size() == 6) rows.emplace_back(fields[2], fields[5]);
    }
    return rows;
}

TEST(RecordingOnSimulator, HoldsEveryReadingSentWithTheFunctionItArrivedUnder) {
    QTemporaryDir dir;
    const std::string file = dir.path().toStdString() + "/log.csv";
    ReadingsRecord record;
    ASSERT_TRUE(record.StartRecording(file));  // as --log does, before the window loads
    SimulatorProcess sim;
    ASSERT_TRUE(sim.Start({QStringLiteral("--min-period"), QStringLiteral("20")}));
    PanelOnPort rig(sim.slave());
    rig.panel.lineTap.observer = &record;
    view::AttachReadings(rig.window, record);
    rig.Load();

    ASSERT_TRUE(WaitFor([&] { return record.store().Size() >= 5; })) << sim.Log();
    for (const char* oddity : {"crlf", "split", "two-lines", "sample"}) sim.Command(oddity);
    ASSERT_TRUE(WaitFor([&] { return record.store().Size() >= 12; }));
    rig.Key("cmdFrequency")->click();  // shows FREQUENCY 1
    rig.Key("cmdFrequency")->click();  // FREQUENCY 2: the counter measures channel 2
    const uint64_t switched = record.store().NextSeq();
    ASSERT_TRUE(WaitFor([&] { return record.store().NextSeq() >= switched + 5; }));
    // Stop measuring and let the last readings arrive before closing.
    rig.Key("cmdStop")->click();
    ASSERT_TRUE(WaitFor([&] { return sim.Count("SYST:KEY 12") == 1; }));
    RunFor(300);
    rig.window.close();
    ASSERT_TRUE(WaitFor([&] { return sim.Count("SYST:LOC") == 1; }));
    rig.panel.lineTap.observer = nullptr;

    std::vector<std::string> sent = sim.SentLines();
    ASSERT_FALSE(sent.empty());
    sent.erase(sent.begin());  // the identification reply
    std::vector<std::string> expected;
    for (std::string line : sent) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("SAMPLE", 0) != 0) expected.push_back(line);
    }
    const auto rows = RecordedRows(file);
    ASSERT_EQ(rows.size(), expected.size()) << sim.Log();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].first, expected[i]) << "row " << i;
        EXPECT_EQ(rows[i].second, i < switched ? "FREQUENCY 1" : "FREQUENCY 2") << "row " << i;
    }
    EXPECT_EQ(rows.back().first.substr(rows.back().first.size() - 3), "kHz") << rows.back().first;
}

// Lines written 50 ms apart are recorded 50 ms apart: each is stamped when
// the port read it. The last one, sent 15 ms before the cable is pulled, is
// in the file too.
TEST(RecordingOnLine, ElapsedTimesAreThoseTheLinesArrivedAt) {
    QTemporaryDir dir;
    const std::string file = dir.path().toStdString() + "/log.csv";
    PtyLine line;
    ASSERT_TRUE(line.ok());
    LineCounter counter(line);
    PanelOnPort rig(line.slavePath());
    ReadingsRecord record;
    rig.panel.lineTap.observer = &record;
    ASSERT_TRUE(record.StartRecording(file));
    rig.window.show();
    ASSERT_TRUE(WaitFor([&] { return counter.Got("*RST"); }, 1500));

    // The counter's side writes from a thread of its own, on a schedule the
    // panel's event loop cannot delay, and notes when each write was made.
    constexpr int kLines = 12;
    std::vector<std::chrono::steady_clock::time_point> written;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        auto next = std::chrono::steady_clock::now();
        for (int i = 0; i < kLines; ++i) {
            std::this_thread::sleep_until(next);
            written.push_back(std::chrono::steady_clock::now());
            line.Send(std::to_string(10 + i) + ".000000000MHz\n");
            next += std::chrono::milliseconds(50);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(15));
        done = true;
    });
    const bool finished = WaitFor([&] { return done.load(); }, 5000);
    writer.join();
    ASSERT_TRUE(finished);
    counter.HangUp();
    ASSERT_TRUE(WaitFor([&] { return rig.Disconnected(); }, 1000));
    record.StopRecording();
    rig.panel.lineTap.observer = nullptr;

    std::ifstream in(file, std::ios::binary);
    CsvReader reader(in);
    std::vector<std::string> fields;
    ASSERT_TRUE(reader.Next(fields));  // the header
    std::vector<double> elapsed;
    while (reader.Next(fields)) {
        ASSERT_EQ(fields.size(), 6u);
        EXPECT_EQ(fields[2], std::to_string(10 + elapsed.size()) + ".000000000MHz");
        elapsed.push_back(std::stod(fields[1]));
    }
    ASSERT_EQ(elapsed.size(), static_cast<std::size_t>(kLines));
    // How far each recorded interval is from the written one. A loaded
    // machine may keep the panel from running for a few ms now and then, so
    // the typical (median) difference is what must stay within a few ms.
    std::vector<double> offMs;
    for (std::size_t i = 1; i < elapsed.size(); ++i) {
        const double sentMs = std::chrono::duration<double, std::milli>(written[i] - written[i - 1]).count();
        offMs.push_back(std::abs((elapsed[i] - elapsed[i - 1]) * 1000.0 - sentMs));
    }
    std::sort(offMs.begin(), offMs.end());
    EXPECT_LT(offMs[offMs.size() / 2], 3.0) << "largest " << offMs.back() << " ms";
}

TEST(RecordingOnSimulator, TerminatedPanelSaysLocalAndClosesItsRecording) {
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/log.csv");
    SimulatorProcess sim;
    ASSERT_TRUE(sim.Start({}));
    QProcess panel;
    panel.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    panel.start(QString::fromUtf8(KT_PANEL_PATH),
                {QStringLiteral("--port"), QStringLiteral("1=") + QString::fromStdString(sim.slave()),
                 QStringLiteral("--log"), file});
    // Rows reach the file within a second while the recording runs.
    ASSERT_TRUE(WaitFor([&] { return RecordedRows(file.toStdString()).size() >= 3; }, 5000)) << sim.Log();
    panel.terminate();
    ASSERT_TRUE(panel.waitForFinished(5000));
    EXPECT_EQ(panel.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(panel.exitCode(), 0);
    ASSERT_TRUE(WaitFor([&] { return sim.Count("SYST:LOC") == 1; }));
    RunFor(100);

    std::vector<std::string> sent = sim.SentLines();
    ASSERT_FALSE(sent.empty());
    sent.erase(sent.begin());
    const auto rows = RecordedRows(file.toStdString());
    // A reading the counter sent while "SYST:LOC" was on its way never
    // reached the closed port; every other one is in the file, in order.
    ASSERT_LE(rows.size(), sent.size());
    EXPECT_LE(sent.size() - rows.size(), 1u);
    for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].first, sent[i]);
}

}  // namespace
}  // namespace kt::test
