// The value line of the display and the panel's pictures.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>

#include "test_window_support.h"
#include "view/app_paths.h"
#include "view/display_widget.h"
#include "view/fonts.h"
#include "view/panel_widgets.h"

namespace kt::test {
namespace {

using view::DisplayWidget;

// A display the size of the panel's value line, in the panel's font.
struct Line {
    DisplayWidget widget;
    Line() {
        widget.setFont(view::PanelFont(view::FontRole::Display));
        widget.resize(457, 57);
    }
};

TEST(ValueLine, ShortTextIsDrawnAtFullSize) {
    Line line;
    line.widget.setText(QStringLiteral("0 "));
    EXPECT_EQ(line.widget.textScale(), 1.0);
    line.widget.setText(QStringLiteral("1.00000000 "));
    EXPECT_EQ(line.widget.textScale(), 1.0);
}

// Counts its paints and remembers the text each one drew.
class CountingLine : public DisplayWidget {
public:
    int paints = 0;
    QString lastPainted;

protected:
    void paintEvent(QPaintEvent* event) override {
        ++paints;
        lastPainted = text();
        DisplayWidget::paintEvent(event);
    }
};

TEST(ValueLine, StreamOfReadingsIsDrawnAtFrameRateAndEndsOnTheLatest) {
    // A counter at a short gate time sends hundreds of readings a second;
    // the display draws at most one frame per 40 ms, and the last reading of
    // a burst is always the one left on the display.
    CountingLine line;
    line.resize(457, 57);
    line.show();
    ASSERT_TRUE(WaitFor([&] { return line.paints > 0; }));
    const int before = line.paints;
    QElapsedTimer clock;
    clock.start();
    QString last;
    for (int i = 0; i < 200; ++i) {
        last = QStringLiteral("10.0000001%1 ").arg(i, 2, 10, QLatin1Char('0'));
        line.setText(last);
        QCoreApplication::processEvents();  // one receive event per reading
    }
    ASSERT_TRUE(WaitFor([&] { return line.lastPainted == last; }, 500));
    const int frames = line.paints - before;
    EXPECT_GE(frames, 1);
    EXPECT_LE(frames, clock.elapsed() / 40 + 3) << "painted more often than once a frame";
}

TEST(ValueLine, WideMenuTextsAreScaledDownToFit) {
    Line line;
    for (const char* text : {"FREQUENCY 1    ", "NOT ENTERED ", "DTR: HIGH           ", "+1.2345678901234E+09"}) {
        SCOPED_TRACE(text);
        line.widget.setText(QString::fromLatin1(text));
        EXPECT_LE(line.widget.shownTextWidth(), line.widget.textRoom() + 0.5);
        // Scaled text fills the line: it is shrunk no more than needed.
        if (line.widget.textScale() < 1.0) {
            EXPECT_NEAR(line.widget.shownTextWidth(), line.widget.textRoom(), 0.5);
        }
    }
    line.widget.setText(QStringLiteral("FREQUENCY 1    "));
    EXPECT_LT(line.widget.textScale(), 1.0);
}

TEST(ValueLine, ControlCharactersAreDrawnAsOneBlankEach) {
    Line line;
    line.widget.setText(QStringLiteral("1.0\n2.0\r\t"));
    EXPECT_EQ(line.widget.shownText(), QStringLiteral("1.0 2.0  "));
    EXPECT_EQ(line.widget.text(), QStringLiteral("1.0\n2.0\r\t"));
}

TEST(ValueLine, SelectionIsClippedToTheText) {
    const struct {
        int start, length, first, count;
    } cases[] = {
        {2, 1, 2, 1}, {0, 0, 0, 0}, {4, 1, 4, 0}, {9, 1, 4, 0}, {3, 5, 3, 1}, {-1, 1, 0, 1}, {1, -2, 1, 0},
    };
    Line line;
    line.widget.setText(QStringLiteral("12.3"));
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << "," << c.length);
        line.widget.setSelection(c.start, c.length);
        EXPECT_EQ(line.widget.highlightedFirst(), c.first);
        EXPECT_EQ(line.widget.highlightedCount(), c.count);
    }
}

// The editor cursor is drawn in inverse video: the cell of the last digit is
// filled with the display colour.
TEST(ValueLine, CursorIsDrawnInInverseVideo) {
    Line line;
    line.widget.setText(QStringLiteral("12345"));
    const QImage plain = line.widget.grab().toImage();
    line.widget.setSelection(4, 1);
    const QImage marked = line.widget.grab().toImage();
    const QPoint probe(line.widget.width() - 4, line.widget.height() / 2);
    EXPECT_EQ(QColor(plain.pixel(probe)), DisplayWidget::kBackColor);
    EXPECT_EQ(QColor(marked.pixel(probe)), DisplayWidget::kTextColor);
    const QPoint left(10, line.widget.height() / 2);
    EXPECT_EQ(QColor(marked.pixel(left)), DisplayWidget::kBackColor);
}

TEST(ValueLine, CursorStaysWhileTheFocusIsOnAKey) {
    PanelRig rig;
    rig.window.show();
    ASSERT_TRUE(WaitFor([&] { return rig.window.formLoaded(); }));
    rig.panel.view.txtDisplay.SetText("+1.000000");
    rig.panel.view.txtDisplay.SelStart = 3;
    rig.panel.view.txtDisplay.SelLength = 1;
    rig.window.SyncFromModel();
    rig.Key("cmdPower")->setFocus();
    QCoreApplication::processEvents();
    const auto* display = rig.Find<DisplayWidget>("txtDisplay");
    EXPECT_EQ(display->highlightedFirst(), 3);
    EXPECT_EQ(display->highlightedCount(), 1);
    rig.window.close();
}

TEST(ValueLine, ReadingBytesAreShownAsLatin1) {
    PanelRig rig;
    rig.panel.view.txtDisplay.SetText("12.5 \xB5s");
    rig.window.SyncFromModel();
    EXPECT_EQ(rig.Find<DisplayWidget>("txtDisplay")->text(), QString::fromUtf8("12.5 \xC2\xB5s"));
}

void WritePicture(const QDir& dir, const char* name, const char* format) {
    QImage image(32, 32, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(dir.filePath(QString::fromLatin1(name)), format));
}

TEST(Pictures, LoadedPicturesAreShownOnTheirElements) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QDir folder(dir.path());
    for (const char* name : {"kt.jpg", "BNC-Connect.jpg", "Alarm.jpg", "Gnd.jpg"}) WritePicture(folder, name, "JPEG");
    for (const char* name : {"ArwUp.ico", "ArwDown.ico", "ArwLeft.ico", "ArwRight.ico"})
        WritePicture(folder, name, "ICO");

    PanelRig rig;
    rig.panel.appPath = dir.path().toStdString();
    rig.window.RunFormLoad();
    for (const char* name : {"imgKT", "imgCh1Q9", "imgCh2Q9", "imgCh3Q9", "imgCh1Gnd", "imgCh3Alarm"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(rig.Find<view::ImageBox>(name)->hasPicture());
    }
    for (const char* name : {"cmdUp", "cmdDown", "cmdLeft", "cmdRight"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(rig.Find<QPushButton>(name)->icon().isNull());
    }
}

TEST(Pictures, MissingPicturesLeaveTheirElementsBlank) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    PanelRig rig;
    rig.panel.appPath = dir.path().toStdString();
    rig.window.RunFormLoad();
    EXPECT_TRUE(rig.window.formLoaded());
    EXPECT_FALSE(rig.Find<view::ImageBox>("imgKT")->hasPicture());
    EXPECT_FALSE(rig.Find<view::ImageBox>("imgCh2Gnd")->hasPicture());
    EXPECT_TRUE(rig.Find<QPushButton>("cmdUp")->icon().isNull());
    EXPECT_EQ(rig.serial.AllWritten(), "*IDN?\n");  // the panel carries on
}

TEST(Pictures, NTypeConnectorReplacesBncOnWideRangeCounters) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QDir folder(dir.path());
    WritePicture(folder, "BNC-Connect.jpg", "JPEG");
    WritePicture(folder, "N-Connect.jpg", "JPEG");
    PanelRig rig;
    rig.panel.appPath = dir.path().toStdString();
    rig.window.RunFormLoad();
    rig.serial.Receive("VENDOR,KT46290-16G,SN1,V1.0\n");
    auto* timer = rig.Find<QTimer>("timPowerOn");
    ASSERT_TRUE(WaitFor([&] { return !rig.panel.view.timPowerOn.Enabled && !timer->isActive(); }));
    EXPECT_TRUE(rig.Find<view::ImageBox>("imgCh2Q9")->picturePath().endsWith(QStringLiteral("/N-Connect.jpg")));
    EXPECT_TRUE(rig.Find<view::ImageBox>("imgCh3Q9")->picturePath().endsWith(QStringLiteral("/N-Connect.jpg")));
    EXPECT_TRUE(rig.Find<view::ImageBox>("imgCh1Q9")->picturePath().endsWith(QStringLiteral("/BNC-Connect.jpg")));
}

TEST(Pictures, FolderBesideTheProgramWinsOverTheInstalledOne) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    QDir top(root.path());
    ASSERT_TRUE(top.mkpath(QStringLiteral("bin")));
    const QString bin = top.filePath(QStringLiteral("bin"));
    EXPECT_EQ(view::PictureFolder(bin), top.filePath(QStringLiteral("share/kt46290-panel")));
    WritePicture(QDir(bin), "kt.jpg", "JPEG");
    EXPECT_EQ(view::PictureFolder(bin), bin);
}

}  // namespace
}  // namespace kt::test
