// The readings side of the window: the Data menu, recording to a file and
// its failures, the readings window and its decimated trend.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>

#include "test_window_support.h"
#include "view/data_menu.h"
#include "view/readings_record.h"
#include "view/readings_window.h"
#include "view/trend_columns.h"

namespace kt::test {
namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct ReadingsRig : PanelRig {
    ReadingsRecord record;
    QTemporaryDir dir;
    ReadingsRig() {
        panel.lineTap.observer = &record;
        view::AttachReadings(window, record);
    }
    ~ReadingsRig() { panel.lineTap.observer = nullptr; }
    std::string File(const char* name) const { return (dir.path() + QLatin1Char('/') + QLatin1String(name)).toStdString(); }
    QString Text(ReadingsWindow* w, const char* label) {
        return w->findChild<QLabel*>(QString::fromLatin1(label))->text();
    }
};

TEST(DataMenu, IsTheLastMenuAndLeavesTheSerialMenusInPlace) {
    ReadingsRig rig;
    const QList<QAction*> menus = rig.window.menuBar()->actions();
    ASSERT_EQ(menus.size(), 6);
    const char* serial[] = {"mnuPort", "mnuBaud", "mnuParity", "mnuSwpace", "mnuDTR"};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(menus[i]->menu()->objectName(), QLatin1String(serial[i]));
    QMenu* data = menus[5]->menu();
    EXPECT_EQ(data, rig.window.DataMenu());
    EXPECT_EQ(data->objectName(), QStringLiteral("mnuData"));
    EXPECT_EQ(data->title(), QStringLiteral("数据 (Data)"));
    for (const char* item : {"mnuReadings", "mnuRecord", "mnuStopRecording"})
        EXPECT_TRUE(data->actions().contains(rig.Find<QAction>(item))) << item;
    EXPECT_EQ(rig.Find<QAction>("mnuReadings")->shortcut(), QKeySequence(QStringLiteral("Ctrl+R")));
    EXPECT_FALSE(rig.Find<QAction>("mnuStopRecording")->isEnabled());
}

TEST(Recording, RowsReachTheFileAtStopAndAtClose) {
    ReadingsRig rig;
    ASSERT_TRUE(rig.Connect());
    const std::string file = rig.File("log.csv");
    ASSERT_TRUE(rig.record.StartRecording(file));
    EXPECT_TRUE(rig.Find<QAction>("mnuStopRecording")->isEnabled());
    rig.serial.Receive("10.000000123MHz\r\n1.5");
    rig.serial.Receive("ms\n");
    rig.Find<QAction>("mnuStopRecording")->trigger();
    const std::string rows = ReadFile(file);
    EXPECT_NE(rows.find("time,elapsed_s,reading,value,unit,function\n"), std::string::npos);
    EXPECT_NE(rows.find(",10.000000123MHz,10000000.123,Hz,FREQUENCY 1\n"), std::string::npos);
    EXPECT_NE(rows.find(",1.5ms,0.0015,s,FREQUENCY 1\n"), std::string::npos);

    ASSERT_TRUE(rig.record.StartRecording(file));  // appended, no second header
    rig.serial.Receive("7Hz\n");
    rig.window.close();
    EXPECT_FALSE(rig.record.recording());
    const std::string all = ReadFile(file);
    EXPECT_EQ(all.find("time,", 1), std::string::npos);
    EXPECT_NE(all.find(",7Hz,7,Hz,FREQUENCY 1\n"), std::string::npos);
}

TEST(Recording, FailureStopsItWithTheReasonOnTheMessageLine) {
    for (const char* path : {"/dev/full", "/nonexistent-folder/log.csv"}) {
        ReadingsRig rig;
        ASSERT_TRUE(rig.Connect());
        rig.serial.Receive("1.0MHz\n");
        EXPECT_FALSE(rig.record.StartRecording(path));
        EXPECT_FALSE(rig.record.recording());
        const QString message = rig.Find<QLabel>("lblMessage")->text();
        EXPECT_TRUE(message.contains(QLatin1String(path))) << message.toStdString();
        rig.serial.Receive("2.0MHz\n");  // the panel goes on, and so does the record in memory
        EXPECT_EQ(rig.record.store().Size(), 2u);
        EXPECT_EQ(rig.panel.view.txtDisplay.Text(), "2.0 ");
    }
}

TEST(ReadingsWindow, ShowsTheCurrentSeriesPausesAndClears) {
    ReadingsRig rig;
    ASSERT_TRUE(rig.Connect());
    ReadingsWindow* w = view::ShowReadingsWindow(rig.window, rig.record);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(view::ShowReadingsWindow(rig.window, rig.record), w);  // one window
    rig.serial.Receive("1.0ms\n10.000000120MHz\n10.000000124MHz\nERR\n10.000000122MHz\n");
    w->Refresh();
    EXPECT_EQ(rig.Text(w, "lblSeries"), QStringLiteral("FREQUENCY 1, Hz"));
    EXPECT_EQ(rig.Text(w, "lblCount"), QStringLiteral("3"));
    EXPECT_EQ(rig.Text(w, "lblMean"), QStringLiteral("10000000.122 Hz"));
    EXPECT_EQ(rig.Text(w, "lblStdDev"), QStringLiteral("0.002 Hz"));
    EXPECT_EQ(rig.Text(w, "lblSpan"), QStringLiteral("0.004 Hz"));

    auto* pause = w->findChild<QPushButton*>(QStringLiteral("cmdPause"));
    pause->click();
    rig.serial.Receive("10.000000122MHz\n");
    w->Refresh();
    EXPECT_EQ(rig.Text(w, "lblCount"), QStringLiteral("3"));
    pause->click();
    EXPECT_EQ(rig.Text(w, "lblCount"), QStringLiteral("4"));

    w->findChild<QPushButton*>(QStringLiteral("cmdClear"))->click();
    EXPECT_EQ(rig.Text(w, "lblCount"), QStringLiteral("0"));
    EXPECT_EQ(rig.record.store().Size(), 6u);  // held for Save as CSV

    const std::string file = rig.File("saved.csv");
    ASSERT_TRUE(w->SaveAs(QString::fromStdString(file)));
    ASSERT_TRUE(WaitFor([&] { return !w->saving(); }));
    const std::string saved = ReadFile(file);
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 7);
    EXPECT_NE(saved.find(",ERR,,,FREQUENCY 1\n"), std::string::npos);
}

TEST(TrendColumns, AMillionPointsDrawAsTwoPerPixelColumnKeepingTheExtremes) {
    view::TrendColumns trend;
    for (int i = 0; i < 1'000'000; ++i) trend.Add(i * 0.001, std::sin(i * 0.01) + (i == 500'000 ? 5.0 : 0.0));
    std::vector<view::TrendColumns::Point> points;
    trend.Columns(800, points);
    EXPECT_LE(points.size(), 1600u);
    EXPECT_GE(points.size(), 1000u);
    double top = -1e9;
    for (std::size_t i = 0; i < points.size(); ++i) {
        top = std::max(top, points[i].v);
        if (i > 0) {
            EXPECT_LE(points[i - 1].t, points[i].t);
        }
    }
    EXPECT_DOUBLE_EQ(top, trend.Max());
    EXPECT_NEAR(trend.Max(), 5.0 + std::sin(5000.0), 1e-9);
    EXPECT_LE(points.back().t, trend.LastT());
}

}  // namespace
}  // namespace kt::test
