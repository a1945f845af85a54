// The serial control over a real port: which device a port number opens, a
// refused open, and the behaviour on a live line (a pseudo-terminal).
#include <gtest/gtest.h>

#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include <QElapsedTimer>

#include "support/event_loop.h"
#include "support/pty_line.h"
#include "view/qt_serial_control.h"

namespace kt {
namespace {

using test::PtyLine;
using test::RunFor;
using test::WaitFor;

// Processor time this process has used so far, in milliseconds.
double CpuMs() { return 1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// ------------------------------------------------------ port number to device

TEST(PortDevice, CommandLineNamesOverrideAnyNumberAndTheRestFollowThePresentPorts) {
    QtSerialControl serial({{1, "/dev/pts/7"}, {4, "/dev/ttyACM0"}});
    serial.SetPortLister([] { return std::vector<PortEntry>{{"/dev/ttyUSB3", {}, {}, {}, {}, {}, {}}}; });
    EXPECT_EQ(serial.DeviceForPort(1), "/dev/pts/7");
    EXPECT_EQ(serial.DeviceForPort(4), "/dev/ttyACM0");
    EXPECT_EQ(serial.DeviceForPort(2), "/dev/ttyS1");
    EXPECT_EQ(serial.DeviceName(), "/dev/pts/7");  // port 1 before any choice
    serial.SetCommPort(4);
    EXPECT_EQ(serial.DeviceName(), "/dev/ttyACM0");
    serial.Ports().Forget(1);
    serial.SetCommPort(1);
    EXPECT_EQ(serial.DeviceName(), "/dev/ttyUSB3");
}

TEST(PortDevice, DefaultsAreThoseOfTheMenuBeforeAnyChoice) {
    QtSerialControl serial;
    EXPECT_EQ(serial.CommPort(), 1);
    EXPECT_EQ(serial.Settings(), "9600,n,8,1");
    EXPECT_EQ(serial.Handshaking(), 0);
    EXPECT_FALSE(serial.DTREnable());
    EXPECT_FALSE(serial.PortOpen());
}

// ------------------------------------------------------------ refused opens

// Counts the faults the control raises.
struct FaultLog {
    explicit FaultLog(SerialControl& serial) {
        serial.OnFault = [this](SerialFault f, const std::string& text) {
            faults.push_back(f);
            texts.push_back(text);
        };
    }
    std::vector<SerialFault> faults;
    std::vector<std::string> texts;
};

TEST(SerialOpen, MissingDeviceStaysClosedAndSaysWhichDevice) {
    QtSerialControl serial({{1, "/dev/kt46290-no-such-line"}});
    FaultLog log(serial);
    serial.SetPortOpen(true);
    EXPECT_FALSE(serial.PortOpen());
    EXPECT_EQ(serial.LastFault(), SerialFault::PortMissing);
    EXPECT_TRUE(Contains(serial.LastFaultText(), "Port 1 (/dev/kt46290-no-such-line)")) << serial.LastFaultText();
    RunFor(30);
    EXPECT_TRUE(log.faults.empty());  // the caller reads PortOpen, no event follows
}

TEST(SerialOpen, BadSettingsTextRefusesToOpen) {
    PtyLine line;
    ASSERT_TRUE(line.ok());
    QtSerialControl serial({{1, line.slavePath()}});
    serial.SetSettings("9600,n,9,1");
    serial.SetPortOpen(true);
    EXPECT_FALSE(serial.PortOpen());
    EXPECT_EQ(serial.LastFault(), SerialFault::OpenFailed);
    EXPECT_TRUE(Contains(serial.LastFaultText(), "\"9600,n,9,1\"")) << serial.LastFaultText();
}

TEST(SerialOpen, PortHeldByAnotherControlIsBusy) {
    PtyLine line;
    ASSERT_TRUE(line.ok());
    QtSerialControl first({{1, line.slavePath()}});
    QtSerialControl second({{1, line.slavePath()}});
    FaultLog log(second);
    first.SetPortOpen(true);
    ASSERT_TRUE(first.PortOpen()) << first.LastFaultText();
    second.SetPortOpen(true);
    EXPECT_FALSE(second.PortOpen());
    EXPECT_EQ(second.LastFault(), SerialFault::PortBusy) << second.LastFaultText();
    EXPECT_TRUE(Contains(second.LastFaultText(), "in use by another program")) << second.LastFaultText();
    EXPECT_TRUE(Contains(second.LastFaultText(), line.slavePath())) << second.LastFaultText();
    // The holder is named from the lock file the first control left.
    EXPECT_TRUE(Contains(second.LastFaultText(), "process " + std::to_string(getpid()))) << second.LastFaultText();

    // Once the first lets go, the second gets the line and the fault is cleared.
    first.SetPortOpen(false);
    second.SetPortOpen(true);
    EXPECT_TRUE(second.PortOpen()) << second.LastFaultText();
    EXPECT_EQ(second.LastFault(), SerialFault::None);
    RunFor(20);
    EXPECT_TRUE(log.faults.empty());
}

// --------------------------------------------------------------- live line

TEST(SerialLine, BytesPassUnchangedBothWays) {
    PtyLine line;
    ASSERT_TRUE(line.ok());
    QtSerialControl serial({{1, line.slavePath()}});
    int events = 0;
    std::string received;
    serial.OnComm = [&] {
        ++events;
        received += serial.Input();
    };
    serial.SetPortOpen(true);
    ASSERT_TRUE(serial.PortOpen()) << serial.LastFaultText();

    // Line feeds stay line feeds, no CR is added, high Latin-1 bytes pass.
    const std::string command = std::string("*IDN?\n") + "SYST:KEY 1\n";
    serial.Output(command);
    ASSERT_TRUE(WaitFor([&] { return line.Receive(), line.Collected().size() >= command.size(); }, 1000));
    EXPECT_EQ(line.Collected(), command);

    const std::string reading = std::string("10.000000000MHz\r\n") + "\xB5" + "s\xFF\n";
    line.Send(reading);
    ASSERT_TRUE(WaitFor([&] { return received.size() >= reading.size(); }, 1000));
    EXPECT_EQ(received, reading);
    EXPECT_GE(events, 1);
    EXPECT_EQ(serial.Input(), "");  // reading empties the buffer
}

// Every read of the port is one receive event, raised as it happens: Input()
// returns what that read returned, InputTime() when it was read. Nothing is
// held back, so a reading that reached the line just before the counter went
// away is handed on before the fault.
TEST(SerialLine, EveryReadIsOneReceiveEventAtTheTimeItWasRead) {
    PtyLine line;
    ASSERT_TRUE(line.ok());
    QtSerialControl serial({{1, line.slavePath()}});
    FaultLog log(serial);
    struct Event {
        std::string bytes;
        ReadTime read;
    };
    std::vector<Event> events;
    serial.OnComm = [&] { events.push_back({serial.Input(), serial.InputTime()}); };
    serial.SetPortOpen(true);
    ASSERT_TRUE(serial.PortOpen()) << serial.LastFaultText();

    const auto start = std::chrono::steady_clock::now();
    line.Send("1.0MHz\n2.0MHz\n");
    ASSERT_TRUE(WaitFor([&] { return !events.empty(); }, 1000));
    EXPECT_EQ(events[0].bytes, "1.0MHz\n2.0MHz\n");

    std::string sent = events[0].bytes;
    for (int i = 0; i < 30; ++i) {
        const std::string reading = std::to_string(10 + i) + ".000000MHz\n";
        line.Send(reading);
        sent += reading;
        RunFor(3);
    }
    line.Send("99.000000MHz\n");
    sent += "99.000000MHz\n";
    RunFor(15);
    line.CloseCounterSide();
    ASSERT_TRUE(WaitFor([&] { return !log.faults.empty(); }, 1000));
    EXPECT_EQ(log.faults[0], SerialFault::DeviceLost);

    std::string received;
    for (std::size_t i = 0; i < events.size(); ++i) {
        received += events[i].bytes;
        EXPECT_FALSE(events[i].bytes.empty()) << i;
        EXPECT_GE(events[i].read.steady, start) << i;
        if (i > 0) {
            EXPECT_GT(events[i].read.steady, events[i - 1].read.steady) << i;
        }
    }
    EXPECT_EQ(received, sent);
    // A stream of 3 ms is read as it comes, not once per period.
    EXPECT_GE(events.size(), 20u);
}

TEST(SerialLine, WhatSatOnTheLineBeforeOpeningIsDropped) {
    PtyLine line;
    ASSERT_TRUE(line.ok());
    line.Send("stale reading\n");
    RunFor(30);
    QtSerialControl serial({{1, line.slavePath()}});
    std::string received;
    serial.OnComm = [&] { received += serial.Input(); };
    serial.SetPortOpen(true);
    ASSERT_TRUE(serial.PortOpen()) << serial.LastFaultText();
    line.Send("fresh\n");
    ASSERT_TRUE(WaitFor([&] { return received.size() >= 6; }, 1000));
    EXPECT_EQ(received, "fresh\n");
}

TEST(SerialLine, SettingsReachThePortAndModemLinesAPtyLacksDoNotDisconnect) {
    PtyLine line;
    ASSERT_TRUE(line.ok());
    QtSerialControl serial({{1, line.slavePath()}});
    FaultLog log(serial);
    serial.SetSettings("4800,e,7,1");
    serial.SetHandshaking(1);
    serial.SetDTREnable(true);
    serial.SetPortOpen(true);
    ASSERT_TRUE(serial.PortOpen()) << serial.LastFaultText();

    // The master side reads the terminal settings of the program's side.
    termios tio{};
    ASSERT_EQ(tcgetattr(line.masterFd(), &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B4800));
    EXPECT_NE(tio.c_iflag & IXON, 0u);
    EXPECT_NE(tio.c_iflag & IXOFF, 0u);

    EXPECT_FALSE(serial.DSRHolding());  // no modem lines on this line
    serial.SetDTREnable(false);
    serial.Output("*RST\n");
    ASSERT_TRUE(WaitFor([&] { return line.Receive(), line.Collected() == "*RST\n"; }, 1000));
    RunFor(20);
    EXPECT_TRUE(serial.PortOpen());
    EXPECT_TRUE(log.faults.empty());
}

TEST(SerialLine, DefaultPortHasNoFlowControl) {
    PtyLine line;
    ASSERT_TRUE(line.ok());
    QtSerialControl serial({{1, line.slavePath()}});
    serial.SetPortOpen(true);
    ASSERT_TRUE(serial.PortOpen()) << serial.LastFaultText();
    termios tio{};
    ASSERT_EQ(tcgetattr(line.masterFd(), &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B9600));
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), 0u);
    EXPECT_EQ(tio.c_cflag & CRTSCTS, 0u);
}

TEST(SerialLine, OutputOnAClosedPortSendsNothing) {
    PtyLine line;
    ASSERT_TRUE(line.ok());
    QtSerialControl serial({{1, line.slavePath()}});
    FaultLog log(serial);
    serial.Output("*IDN?\n");  // never opened
    serial.SetPortOpen(true);
    ASSERT_TRUE(serial.PortOpen());
    serial.SetPortOpen(false);
    serial.Output("SYST:KEY 1\n");  // closed again
    EXPECT_EQ(serial.Input(), "");
    RunFor(50);
    EXPECT_EQ(line.Receive(), "");
    EXPECT_TRUE(log.faults.empty());
}

TEST(SerialLine, CommandQueuedJustBeforeClosingStillLeaves) {
    PtyLine line;
    ASSERT_TRUE(line.ok());
    QtSerialControl serial({{1, line.slavePath()}});
    serial.SetPortOpen(true);
    ASSERT_TRUE(serial.PortOpen());
    serial.Output("SYST:LOC\n");
    serial.SetPortOpen(false);  // no event loop turn in between
    EXPECT_FALSE(serial.PortOpen());
    WaitFor([&] { return line.Receive(), line.Collected().size() >= 9; }, 500);
    EXPECT_EQ(line.Collected(), "SYST:LOC\n");
}

TEST(SerialLine, CounterHoldingTheLineWithXoffDelaysClosingOnlyBriefly) {
    PtyLine line;
    ASSERT_TRUE(line.ok());
    QtSerialControl serial({{1, line.slavePath()}});
    serial.SetHandshaking(1);
    serial.SetPortOpen(true);
    ASSERT_TRUE(serial.PortOpen());
    line.Send("\x13");  // XOFF
    RunFor(30);
    // More than the line's buffers take while stopped.
    serial.Output(std::string(64 * 1024, 'x') + "SYST:LOC\n");
    QElapsedTimer closing;
    closing.start();
    serial.SetPortOpen(false);
    EXPECT_LT(closing.elapsed(), 400);
    EXPECT_FALSE(serial.PortOpen());
}

TEST(SerialLine, CounterSideClosingRaisesOneDeviceLostWithoutSpinning) {
    PtyLine line;
    ASSERT_TRUE(line.ok());
    QtSerialControl serial({{1, line.slavePath()}});
    FaultLog log(serial);
    bool openWhenRaised = true;
    serial.OnFault = [&](SerialFault f, const std::string& text) {
        openWhenRaised = serial.PortOpen();
        log.faults.push_back(f);
        log.texts.push_back(text);
    };
    serial.SetPortOpen(true);
    ASSERT_TRUE(serial.PortOpen());

    line.CloseCounterSide();
    const double cpuBefore = CpuMs();
    RunFor(300);
    const double cpuUsed = CpuMs() - cpuBefore;

    ASSERT_EQ(log.faults.size(), 1u);
    EXPECT_EQ(log.faults[0], SerialFault::DeviceLost);
    EXPECT_FALSE(openWhenRaised);  // closed by the time the fault is told
    EXPECT_FALSE(serial.PortOpen());
    EXPECT_EQ(serial.LastFault(), SerialFault::DeviceLost);
    EXPECT_TRUE(Contains(log.texts[0], line.slavePath())) << log.texts[0];
    EXPECT_EQ(serial.LastFaultText(), log.texts[0]);
    EXPECT_LT(cpuUsed, 150.0) << "the event loop kept spinning on the dead line";
}

TEST(SerialLine, FaultIsToldAfterTheCallThatMetItReturns) {
    PtyLine line;
    ASSERT_TRUE(line.ok());
    QtSerialControl serial({{1, line.slavePath()}});
    FaultLog log(serial);
    serial.SetPortOpen(true);
    ASSERT_TRUE(serial.PortOpen());
    line.CloseCounterSide();
    // Writing to a line whose far end is gone: whatever fails first, the
    // panel hears of it once, and never from inside its own call.
    for (int i = 0; i < 5; ++i) serial.Output("SYST:KEY 1\n");
    EXPECT_TRUE(log.faults.empty());
    RunFor(200);
    ASSERT_EQ(log.faults.size(), 1u);
    EXPECT_TRUE(log.faults[0] == SerialFault::DeviceLost || log.faults[0] == SerialFault::WriteFailed);
    EXPECT_FALSE(serial.PortOpen());
}

TEST(SerialLine, ClosingAndReopeningInsideTheReceiveEventIsSafe) {
    PtyLine line;
    ASSERT_TRUE(line.ok());
    QtSerialControl serial({{1, line.slavePath()}});
    FaultLog log(serial);
    serial.SetPortOpen(true);
    ASSERT_TRUE(serial.PortOpen());
    line.Send("x");
    // The receive event closes and reopens the port at once, as a quick
    // reconnect would; nothing may be reported against the new session.
    bool reopened = false;
    serial.OnComm = [&] {
        (void)serial.Input();
        if (reopened) return;
        reopened = true;
        serial.SetPortOpen(false);
        serial.SetPortOpen(true);
    };
    ASSERT_TRUE(WaitFor([&] { return reopened; }, 1000));
    RunFor(30);
    EXPECT_TRUE(serial.PortOpen());
    EXPECT_TRUE(log.faults.empty());
}

}  // namespace
}  // namespace kt
