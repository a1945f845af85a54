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

TEST(ReadingsWindow, SaveRunsOnAWorkerWritesWhatWasHeldAndCanBeCancelled) {
    ReadingsRig rig;
    ASSERT_TRUE(rig.Connect());
    ReadingsWindow* w = view::ShowReadingsWindow(rig.window, rig.record);
    constexpr int kHeld = 60'000;  // four batches of rows
    for (int i = 0; i < kHeld; ++i)
        rig.record.store().Add("10.0000001" + std::to_string(10 + i % 90) + "MHz", "FREQUENCY 1", {}, {});
    auto* bar = w->findChild<QWidget*>(QStringLiteral("barSave"));
    auto* cancel = w->findChild<QPushButton*>(QStringLiteral("cmdCancelSave"));

    // Cancelled at once: the worker stops after its first batch of rows.
    const std::string first = rig.File("cancelled.csv");
    ASSERT_TRUE(w->SaveAs(QString::fromStdString(first)));
    EXPECT_TRUE(bar->isVisible());
    EXPECT_FALSE(w->SaveAs(QString::fromStdString(rig.File("second.csv"))));  // one save at a time
    cancel->click();
    ASSERT_TRUE(WaitFor([&] { return !w->saving(); }, 20000));
    EXPECT_TRUE(rig.Text(w, "lblSave").startsWith(QStringLiteral("已取消 (Cancelled)")));
    EXPECT_FALSE(bar->isVisible());
    const std::string part = ReadFile(first);
    EXPECT_LT(std::count(part.begin(), part.end(), '\n'), kHeld / 2);

    // Readings that arrive while saving go on into the record, not the file.
    const std::string whole = rig.File("whole.csv");
    ASSERT_TRUE(w->SaveAs(QString::fromStdString(whole)));
    rig.serial.Receive("10.000000999MHz\n");
    ASSERT_TRUE(WaitFor([&] { return !w->saving(); }, 20000));
    EXPECT_EQ(rig.Text(w, "lblSave"), QStringLiteral("已保存 (Saved) 60000 行 (rows) → whole.csv"));
    const std::string saved = ReadFile(whole);
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), kHeld + 1);
    EXPECT_EQ(saved.find("999MHz"), std::string::npos);
    EXPECT_EQ(rig.record.store().Size(), std::size_t{kHeld} + 1);

    // A disk that fills up is told in words, not as saved.
    ASSERT_TRUE(w->SaveAs(QStringLiteral("/dev/full")));
    ASSERT_TRUE(WaitFor([&] { return !w->saving(); }, 20000));
    EXPECT_TRUE(rig.Text(w, "lblSave").startsWith(QStringLiteral("不能保存 (Cannot save) /dev/full: ")))
        << rig.Text(w, "lblSave").toStdString();
}

TEST(TrendColumns, AMillionPointsDrawAsOneStrokePerPixelColumnKeepingTheExtremes) {
    TrendSource trend;
    for (int i = 0; i < 1'000'000; ++i) trend.Append(i * 0.001, std::sin(i * 0.01) + (i == 500'000 ? 5.0 : 0.0));
    std::vector<TrendColumn> columns;
    const double right = 1250.0;  // the data fill 80 % of the plot
    trend.Columns(0.0, right, 800, columns);
    ASSERT_EQ(columns.size(), 800u);
    const auto used = std::count_if(columns.begin(), columns.end(), [](const auto& c) { return c.used; });
    EXPECT_GE(used, 630);
    EXPECT_LE(used, 641);
    EXPECT_FALSE(columns[645].used);
    double top = -1e9;
    for (const auto& c : columns) top = c.used ? std::max(top, c.max) : top;
    EXPECT_DOUBLE_EQ(top, trend.Max());
    EXPECT_NEAR(trend.Max(), 5.0 + std::sin(5000.0), 1e-9);

    // New values change only the columns they fall into.
    std::vector<TrendColumn> before = columns;
    trend.Append(999.9995, 7.0);
    trend.Columns(0.0, right, 800, columns);
    for (std::size_t i = 0; i < columns.size(); ++i) EXPECT_EQ(columns[i] == before[i], i != 639) << i;
}

TEST(TrendColumns, ARedrawCoversTheChangedColumnsAndTheSegmentsJoiningThem) {
    using Column = TrendColumn;
    std::vector<Column> drawn(10), fresh(10);
    drawn[2] = fresh[2] = {1, 2, true};
    EXPECT_GT(view::ChangedColumns(drawn, fresh).first, view::ChangedColumns(drawn, fresh).last);
    fresh[6] = {1, 1, true};  // a reading after a gap: the segment from column 2 is new
    EXPECT_EQ(view::ChangedColumns(drawn, fresh).first, 2);
    EXPECT_EQ(view::ChangedColumns(drawn, fresh).last, 7);
    drawn[6] = fresh[6];
    drawn[8] = fresh[8] = {0, 0, true};
    fresh[6].max = 3;  // a column grows between two used ones
    EXPECT_EQ(view::ChangedColumns(drawn, fresh).first, 2);
    EXPECT_EQ(view::ChangedColumns(drawn, fresh).last, 8);
    std::vector<Column> none(4), edge(4);
    edge[0] = {1, 1, true};  // nothing either side
    EXPECT_EQ(view::ChangedColumns(none, edge).first, 0);
    EXPECT_EQ(view::ChangedColumns(none, edge).last, 1);
}

TEST(TrendRange, GrowsInStepsAndOnlyWhenTheTrendLeavesIt) {
    TrendSource trend;
    view::TrendRange range;
    EXPECT_TRUE(range.Fit(trend));
    trend.Append(0.0, 10.0);
    trend.Append(0.5, 14.0);
    EXPECT_TRUE(range.Fit(trend));
    EXPECT_EQ(range.right, 1.0);  // 0.5 s * 1.25 up to 1, 2 or 5 times a power of ten
    EXPECT_EQ(range.low, 9.0);    // a quarter of the spread either side
    EXPECT_EQ(range.high, 15.0);
    trend.Append(0.9, 14.5);
    EXPECT_FALSE(range.Fit(trend));  // inside: the axes stay
    trend.Append(1.7, 8.0);
    EXPECT_TRUE(range.Fit(trend));
    EXPECT_EQ(range.right, 5.0);
    EXPECT_EQ(range.low, 8.0 - 1.625);

    TrendSource held;  // the oldest dropped: the left edge follows, a whole step behind
    held.SetCapacity(100);
    view::TrendRange moving;
    for (int i = 0; i < 100; ++i) held.Append(i, 1.0);
    moving.Fit(held);
    for (int i = 100; i < 150; ++i) held.Append(i, 1.0);
    EXPECT_FALSE(moving.Fit(held));  // 50 s of 200 empty: not yet
    EXPECT_EQ(moving.left, 0.0);
    EXPECT_EQ(moving.right, 200.0);
    for (int i = 150; i < 160; ++i) held.Append(i, 1.0);
    EXPECT_TRUE(moving.Fit(held));
    EXPECT_EQ(moving.left, 60.0);
    EXPECT_EQ(moving.right, 260.0);

    TrendSource flat;  // one value: a band around it
    flat.Append(0.0, 1e7);
    view::TrendRange band;
    band.Fit(flat);
    EXPECT_EQ(band.right, 1.0);
    EXPECT_NEAR(band.high - band.low, 0.02, 1e-9);
}

TEST(AxisTicks, StepsOfOneTwoFiveWithTheDecimalsTheyNeed) {
    struct Case {
        double low, high;
        int most;
        double step;
        int decimals;
        std::vector<double> values;
    } cases[] = {
        {0, 200, 6, 50, 0, {0, 50, 100, 150, 200}},
        {10000000.1145, 10000000.1305, 5, 0.005, 3, {10000000.115, 10000000.12, 10000000.125, 10000000.13}},
        {-0.3, 0.45, 10, 0.1, 1, {-0.3, -0.2, -0.1, 0, 0.1, 0.2, 0.3, 0.4}},
        {9.9993e-8, 1.00012e-7, 4, 1e-11, 11, {1e-7, 1.0001e-7}},
    };
    for (const Case& c : cases) {
        const view::AxisTicks ticks = view::NiceTicks(c.low, c.high, c.most);
        EXPECT_DOUBLE_EQ(ticks.step, c.step) << c.low;
        EXPECT_EQ(ticks.decimals, c.decimals) << c.low;
        ASSERT_EQ(ticks.values.size(), c.values.size()) << c.low;
        for (std::size_t i = 0; i < c.values.size(); ++i) EXPECT_NEAR(ticks.values[i], c.values[i], c.step * 1e-6) << c.low;
    }
    EXPECT_TRUE(view::NiceTicks(1.0, 1.0, 5).values.empty());
}

}  // namespace
}  // namespace kt::test
