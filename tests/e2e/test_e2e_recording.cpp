// Recording against the counter simulator: the file holds exactly the
// readings the counter sent, with the function the panel held as each
// arrived; a terminated panel says goodbye to the counter and closes its file.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
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
