// The real window against the counter simulator on a pseudo-terminal: what
// crosses the line, and what the panel shows.
#include <cctype>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QAction>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include "support/panel_on_port.h"
#include "support/simulator_process.h"

namespace {

using kt::test::RunFor;
using kt::test::WaitFor;

constexpr int kDeadlineMs = 3000;
const std::string kTitle = "KT46290型高精度频率计（Frequency Counter）";
const std::string kTitleA = "KT46290A型高精度频率计（Frequency Counter）";

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

class PanelOnSimulator : public ::testing::Test {
protected:
    // Starts the simulator and the window on it, and runs Form_Load.
    void Open(const QStringList& simOptions = {}) {
        ASSERT_TRUE(sim_.Start(simOptions)) << "the simulator named no terminal";
        rig_ = std::make_unique<kt::test::PanelOnPort>(sim_.slave());
        serial_ = &rig_->serial;
        panel_ = &rig_->panel;
        window_ = &rig_->window;
        rig_->Load();
    }
    // Open() and wait for the identification step to finish.
    void OpenConnected(const QStringList& simOptions = {}) {
        Open(simOptions);
        ASSERT_TRUE(WaitFor([&] { return sim_.Count("*RST") == 1 && !view().timPowerOn.Enabled; }))
            << sim_.Log();
        ASSERT_EQ(view().cmdPower.Caption, kt::test::kConnectedCaption);
    }

    kt::PanelView& view() { return panel_->view; }
    kt::SoftPanel& panel() { return *panel_; }
    QAbstractButton* Key(const char* name) { return rig_->Key(name); }
    bool Disconnected() { return rig_->Disconnected(); }

    kt::test::SimulatorProcess sim_;
    std::unique_ptr<kt::test::PanelOnPort> rig_;
    kt::QtSerialControl* serial_ = nullptr;
    kt::SoftPanel* panel_ = nullptr;
    kt::frmSoftPanel* window_ = nullptr;
};

struct ModelCase {
    const char* model;
    const char* range;
    std::string title;
    bool modeKeysEnabled;
    bool nTypeCh3;
    bool nTypeCh2;
};

void PrintTo(const ModelCase& c, std::ostream* os) { *os << "model " << c.model << ", range " << c.range; }

class PanelIdentifiesEachModel : public PanelOnSimulator, public ::testing::WithParamInterface<ModelCase> {};

TEST_P(PanelIdentifiesEachModel, TitleKeysAndConnectors) {
    const ModelCase& c = GetParam();
    OpenConnected({QStringLiteral("--model"), QString::fromLatin1(c.model), QStringLiteral("--range"),
                   QString::fromLatin1(c.range)});
    EXPECT_EQ(view().lblTitle.Caption, c.title);
    EXPECT_EQ(view().cmdUpper.Enabled, c.modeKeysEnabled);
    EXPECT_EQ(view().cmdLimitMode.Enabled, c.modeKeysEnabled);
    EXPECT_EQ(view().cmdScale.Enabled, c.modeKeysEnabled);
    EXPECT_EQ(view().cmdStats.Enabled, c.modeKeysEnabled);
    EXPECT_TRUE(view().cmdFrequency.Enabled);
    EXPECT_TRUE(view().cmdArm.Enabled);
    EXPECT_FALSE(view().cmdUtility.Enabled);
    EXPECT_EQ(EndsWith(view().imgCh3Q9.Picture, "N-Connect.jpg"), c.nTypeCh3) << view().imgCh3Q9.Picture;
    EXPECT_EQ(EndsWith(view().imgCh2Q9.Picture, "N-Connect.jpg"), c.nTypeCh2) << view().imgCh2Q9.Picture;
    EXPECT_EQ(sim_.Received(), "*IDN?\n*RST\n") << "exactly these bytes cross the line";
    // the enabled keys also reach the widgets
    ASSERT_NE(Key("cmdStats"), nullptr);
    EXPECT_EQ(Key("cmdStats")->isEnabled(), c.modeKeysEnabled);
}

INSTANTIATE_TEST_SUITE_P(
    Models, PanelIdentifiesEachModel,
    ::testing::Values(ModelCase{"-", "-1.5G", kTitle + "  -1.5GHz", true, false, false},
                      ModelCase{"A", "-1.5G", kTitleA + "  -1.5GHz", false, false, false},
                      ModelCase{"-", "-6G", kTitle + "  -6GHz", true, true, false},
                      ModelCase{"A", "-12.4G", kTitleA + "  -12.4GHz", false, true, true},
                      ModelCase{"-", "none", kTitle, true, false, false}),
    [](const ::testing::TestParamInfo<ModelCase>& info) {
        // e.g. "Model_A_Range_12_4G": test names allow letters, digits and '_'.
        std::string name = std::string("Model_") + (info.param.model[0] == '-' ? "Plain" : info.param.model) +
                           "_Range_" + info.param.range;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return name;
    });

TEST_F(PanelOnSimulator, ReadingsReachTheDisplayWithTheirAnnunciators) {
    OpenConnected();
    EXPECT_TRUE(WaitFor([&] { return view().txtDisplay.Text().rfind("10.0000", 0) == 0; })) << view().txtDisplay.Text();
    EXPECT_EQ(view().txtDisplay.Text().size(), std::string("10.000000123 ").size()) << view().txtDisplay.Text();
    EXPECT_TRUE(view().lblPosExp.Visible);
    EXPECT_EQ(view().lblPosExp.Caption, "M");
    EXPECT_FALSE(view().lblNegExp.Visible);
    EXPECT_TRUE(view().lblFreqUnit.Visible);
    EXPECT_TRUE(WaitFor([&] { return view().lblGate.Visible; }));
}

TEST_F(PanelOnSimulator, KilohertzReadingShowsKOnTheUpperPrefixLabel) {
    OpenConnected({QStringLiteral("--signal"), QStringLiteral("1=999999.99")});
    EXPECT_TRUE(WaitFor([&] { return EndsWith(view().txtDisplay.Text(), " ") && view().txtDisplay.Text().rfind("999.99", 0) == 0; }))
        << view().txtDisplay.Text();
    EXPECT_TRUE(view().lblPosExp.Visible);
    EXPECT_EQ(view().lblPosExp.Caption, "k");
}

TEST_F(PanelOnSimulator, KeyClickReachesTheCounter) {
    OpenConnected();
    ASSERT_NE(Key("cmdFrequency"), nullptr);
    Key("cmdFrequency")->click();
    ASSERT_TRUE(WaitFor([&] { return sim_.Count("SYST:KEY 1") == 1; })) << sim_.Log();
    EXPECT_EQ(sim_.Received(), "*IDN?\n*RST\nSYST:KEY 1\n");
    EXPECT_EQ(view().txtDisplay.Text(), "FREQUENCY 1    ") << "the panel shows the counter's menu";
    panel().cmdSpeedLow_Click();
    EXPECT_TRUE(WaitFor([&] { return sim_.Count("SYST:KEY 22") == 1; }));
    EXPECT_NE(sim_.Log().find("key 22: FREQUENCY 1"), std::string::npos);
}

TEST_F(PanelOnSimulator, PowerKeyReturnsTheCounterToLocalAndClosesThePort) {
    OpenConnected();
    Key("cmdPower")->click();
    EXPECT_TRUE(Disconnected());
    EXPECT_FALSE(view().cmdFrequency.Enabled);
    ASSERT_TRUE(WaitFor([&] { return sim_.Count("SYST:LOC") == 1; })) << sim_.Log();
    EXPECT_EQ(sim_.Received(), "*IDN?\n*RST\nSYST:LOC\n");
    // and it connects again on the same line
    Key("cmdPower")->click();
    EXPECT_TRUE(WaitFor([&] { return sim_.Count("*RST") == 2 && !view().timPowerOn.Enabled; }));
    EXPECT_EQ(view().cmdPower.Caption, kt::test::kConnectedCaption);
    EXPECT_EQ(view().lblTitle.Caption, kTitle + "  -1.5GHz");
}

TEST_F(PanelOnSimulator, LocLineFromTheCounterDisconnectsSilently) {
    OpenConnected();
    sim_.Command("loc");
    EXPECT_TRUE(WaitFor([&] { return Disconnected(); }));
    EXPECT_FALSE(view().lblRemote.Visible);
    RunFor(150);
    EXPECT_EQ(sim_.Count("SYST:LOC"), 0) << "nothing is sent back";
}

TEST_F(PanelOnSimulator, SettingsMenuChangeDisconnects) {
    OpenConnected();
    auto* item = window_->findChild<QAction*>(QStringLiteral("mnuBaud4800"));
    ASSERT_NE(item, nullptr);
    item->trigger();
    EXPECT_TRUE(Disconnected());
    EXPECT_EQ(view().txtDisplay.Text(), "0 ");
    EXPECT_TRUE(view().mnuBaud4800.Checked);
    EXPECT_EQ(serial_->Settings(), "4800,n,8,1");
    RunFor(100);
    EXPECT_EQ(sim_.Count("SYST:LOC"), 0);
}

TEST_F(PanelOnSimulator, MissingReplyDisconnectsWithoutRetry) {
    Open({QStringLiteral("--no-idn")});
    EXPECT_TRUE(WaitFor([&] { return Disconnected(); }));
    EXPECT_FALSE(view().cmdFrequency.Enabled);
    RunFor(400);
    EXPECT_EQ(sim_.Count("*IDN?"), 1);
    EXPECT_EQ(sim_.Count("*RST"), 0);
}

TEST_F(PanelOnSimulator, LateReplyIsTooLate) {
    Open({QStringLiteral("--idn-delay"), QStringLiteral("400")});
    EXPECT_TRUE(WaitFor([&] { return Disconnected(); }));
    RunFor(450);
    EXPECT_EQ(view().cmdPower.Caption, kt::test::kDisconnectedCaption);
    EXPECT_EQ(sim_.Count("*RST"), 0);
}

TEST_F(PanelOnSimulator, SplitReplyIsAssembledBeforeIdentification) {
    OpenConnected({QStringLiteral("--split-idn"), QStringLiteral("--model"), QStringLiteral("A")});
    EXPECT_EQ(view().lblTitle.Caption, kTitleA + "  -1.5GHz");
    EXPECT_FALSE(view().cmdStats.Enabled);
}

TEST_F(PanelOnSimulator, ReadingsThroughIdentificationFailTheConnect) {
    Open({QStringLiteral("--stream-through-idn"), QStringLiteral("--min-period"), QStringLiteral("20"),
          QStringLiteral("--seed"), QStringLiteral("3")});
    // A reading, not the reply, is the last text when the identification
    // step looks: the panel gives up.
    EXPECT_TRUE(WaitFor([&] { return Disconnected(); }));
    EXPECT_EQ(sim_.Count("*RST"), 0);
}

TEST_F(PanelOnSimulator, SampleTextsAreNotShown) {
    OpenConnected();
    sim_.Command("sample");
    RunFor(100);
    EXPECT_EQ(view().txtDisplay.Text().find("SAMPLE"), std::string::npos);
    EXPECT_EQ(view().cmdPower.Caption, kt::test::kConnectedCaption);
}

TEST_F(PanelOnSimulator, ClosingTheWindowWhileConnectedSendsLocal) {
    OpenConnected();
    window_->close();
    ASSERT_TRUE(WaitFor([&] { return sim_.Count("SYST:LOC") == 1; })) << sim_.Log();
    EXPECT_TRUE(EndsWith(sim_.Received(), "SYST:LOC\n"));
    EXPECT_FALSE(serial_->PortOpen());
}

}  // namespace
