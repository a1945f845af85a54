// A counter on another machine, reached the way the field does it: ser2net on
// the counter's machine exports its serial line over TCP, socat on the desk
// makes a local pseudo-terminal that the panel opens with --port. Both run
// here on 127.0.0.1 with the configuration the README gives, the simulator
// standing in for the counter. The panel itself knows nothing of the network.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <memory>
#include <string>

#include <QAbstractButton>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "support/panel_on_port.h"
#include "support/simulator_process.h"

namespace kt {
namespace {

using test::WaitFor;

constexpr int kDeadlineMs = 5000;

// A TCP port on 127.0.0.1 that nothing listens on now.
int FreeLoopbackPort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    int port = 0;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    close(s);
    return port;
}

QString Program(const char* name) {
    return QStandardPaths::findExecutable(QString::fromLatin1(name),
                                          {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin"),
                                           QStringLiteral("/usr/local/sbin"), QStringLiteral("/usr/local/bin")});
}

// Starts program; it ends with this test program, even one that crashed.
void Start(QProcess& process, const QString& program, const QStringList& arguments) {
    process.setProgram(program);
    process.setArguments(arguments);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process.start();
}

void Stop(QProcess& process) {
    if (process.state() == QProcess::NotRunning) return;
    process.terminate();
    if (!process.waitForFinished(2000)) {
        process.kill();
        process.waitForFinished(2000);
    }
}

class RemoteCounter : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::string(KT_SIM_PATH).empty()) GTEST_SKIP() << "the simulator was not built";
        ser2net_ = Program("ser2net");
        socat_ = Program("socat");
        ASSERT_FALSE(ser2net_.isEmpty()) << "ser2net is not installed (scripts/setup.sh installs it)";
        ASSERT_FALSE(socat_.isEmpty()) << "socat is not installed (scripts/setup.sh installs it)";
        ASSERT_TRUE(folder_.isValid());
        ASSERT_TRUE(sim_.Start({})) << "the simulator named no terminal";

        // The counter's machine: the README's configuration for its line.
        port_ = FreeLoopbackPort();
        ASSERT_NE(port_, 0);
        QFile config(folder_.filePath(QStringLiteral("ser2net.yaml")));
        ASSERT_TRUE(config.open(QIODevice::WriteOnly));
        config.write(QStringLiteral("connection: &kt46290\n"
                                    "    accepter: tcp,127.0.0.1,%1\n"
                                    "    enable: on\n"
                                    "    options:\n"
                                    "      kickolduser: true\n"
                                    "    connector: serialdev,%2,9600n81,local\n")
                         .arg(port_)
                         .arg(QString::fromStdString(sim_.slave()))
                         .toUtf8());
        config.close();
        StartSer2net();
        ASSERT_TRUE(StartSocat());
        rig_ = std::make_unique<test::PanelOnPort>(line_);
    }
    void TearDown() override {
        rig_.reset();
        Stop(socat_process_);
        Stop(ser2net_process_);
    }

    // ser2net in the foreground, without lock files and pid file of the system's.
    void StartSer2net() {
        Start(ser2net_process_, ser2net_,
              {QStringLiteral("-n"), QStringLiteral("-u"), QStringLiteral("-c"),
               folder_.filePath(QStringLiteral("ser2net.yaml")), QStringLiteral("-P"),
               folder_.filePath(QStringLiteral("ser2net.pid"))});
    }
    // The desk's command: the TCP connection first (retried until ser2net
    // listens), then the pseudo-terminal, so the device appears only once
    // the line to the counter is up.
    bool StartSocat() {
        Start(socat_process_, socat_,
              {QStringLiteral("TCP:127.0.0.1:%1,forever,interval=0.1").arg(port_),
               QStringLiteral("PTY,link=%1,raw,echo=0").arg(QString::fromStdString(line_))});
        return WaitFor([&] { return QFileInfo::exists(QString::fromStdString(line_)); }, kDeadlineMs);
    }

    void ExpectIdentified(int resets) {
        ASSERT_TRUE(WaitFor([&] { return sim_.Count("*RST") == resets && !view().timPowerOn.Enabled; }, kDeadlineMs))
            << "message: " << view().lblMessage.Caption << "\ncounter: " << sim_.Log();
        EXPECT_TRUE(rig_->Connected());
        EXPECT_EQ(view().lblTitle.Caption, test::kIdentityTitle) << "the simulator's default model";
        EXPECT_TRUE(view().lblMessage.Caption.empty()) << view().lblMessage.Caption;
    }

    PanelView& view() { return rig_->view(); }
    QAbstractButton* Key(const char* name) { return rig_->Key(name); }

    QTemporaryDir folder_;
    std::string line_ = folder_.filePath(QStringLiteral("ttyKT46290")).toStdString();
    int port_ = 0;
    QString ser2net_, socat_;
    test::SimulatorProcess sim_;
    QProcess ser2net_process_, socat_process_;
    std::unique_ptr<test::PanelOnPort> rig_;
};

TEST_F(RemoteCounter, IdentifiesShowsReadingsTakesKeysAndReconnectsAfterTheLinkWasLost) {
    rig_->Load();
    ExpectIdentified(1);

    EXPECT_TRUE(WaitFor([&] { return view().txtDisplay.Text().rfind("10.0000", 0) == 0; }, kDeadlineMs))
        << view().txtDisplay.Text();
    EXPECT_TRUE(view().lblFreqUnit.Visible);

    Key("cmdFrequency")->click();
    EXPECT_TRUE(WaitFor([&] { return sim_.Count("SYST:KEY 1") == 1; }, kDeadlineMs)) << sim_.Log();

    // The counter's machine stops exporting the line: socat on the desk ends
    // and its pseudo-terminal goes with it.
    Stop(ser2net_process_);
    ASSERT_TRUE(WaitFor([&] { return rig_->Disconnected() && !view().lblMessage.Caption.empty(); }, kDeadlineMs))
        << "still " << view().cmdPower.Caption;
    EXPECT_NE(view().lblMessage.Caption.find(line_ + ") was lost"), std::string::npos) << view().lblMessage.Caption;
    EXPECT_FALSE(Key("cmdFrequency")->isEnabled());
    EXPECT_TRUE(WaitFor([&] { return socat_process_.state() == QProcess::NotRunning; }, kDeadlineMs))
        << "socat outlived its connection";

    // Back again: the desk's socat is started anew, and the power key connects.
    StartSer2net();
    ASSERT_TRUE(StartSocat()) << socat_process_.readAll().toStdString();
    // The simulated counter kept streaming into its pseudo-terminal while
    // the line was down (a real port would have dropped those readings);
    // ser2net forwards them as soon as it opens the line. Let them reach the
    // desk's terminal first, where opening the port discards them.
    test::RunFor(500);
    Key("cmdPower")->click();
    ExpectIdentified(2);
    Key("cmdRun")->click();
    EXPECT_TRUE(WaitFor([&] { return sim_.Count("SYST:KEY 9") == 1; }, kDeadlineMs)) << sim_.Log();
}

}  // namespace
}  // namespace kt
