// The serial ports' plain parts: the settings text, the words for a port that
// will not open, which device each port number opens, the by-id links and
// the port list. Built and run on Linux and, cross-built, under Wine.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "ports/fault_text.h"
#include "ports/port_map.h"
#include "ports/port_settings.h"

namespace kt {
namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// ------------------------------------------------------------ settings text

TEST(PortSettingsText, MenuChoicesAndOtherWellFormedTextsGiveTheirFraming) {
    const std::pair<const char*, PortFraming> cases[] = {
        {"9600,n,8,1", {9600, Parity::None, 8, StopBits::One}},
        {"4800,e,7,1", {4800, Parity::Even, 7, StopBits::One}},
        {"38400,o,7,1", {38400, Parity::Odd, 7, StopBits::One}},
        {"19200,E,7,2", {19200, Parity::Even, 7, StopBits::Two}},
        {"1200,m,5,1.5", {1200, Parity::Mark, 5, StopBits::OneAndHalf}},
        {"115200,s,6,1", {115200, Parity::Space, 6, StopBits::One}},
        {"2147483647,n,8,1", {2147483647, Parity::None, 8, StopBits::One}},  // 32 bits on every platform
    };
    for (const auto& [text, framing] : cases) EXPECT_EQ(ParsePortSettings(text), framing) << text;
}

TEST(PortSettingsText, MalformedTextGivesNothing) {
    const char* const cases[] = {
        "",              "9600",          "9600,n,8",      "9600,n,8,1,",  "9600,n,8,1,1",
        ",n,8,1",        "9600,,8,1",     "9600,n,,1",     "9600,n,8,",    "9600,x,8,1",
        "9600,ne,8,1",   "9600,n,9,1",    "9600,n,4,1",    "9600,n,8,3",   "9600,n,8,1.0",
        "0,n,8,1",       "-9600,n,8,1",   "+9600,n,8,1",   "96OO,n,8,1",   "9600 ,n,8,1",
        " 9600,n,8,1",   "9600,n,8,1 ",   "9600;n;8;1",    "99999999999,n,8,1", "2147483648,n,8,1",
        "9600,n,08,1",
    };
    for (const char* text : cases) EXPECT_EQ(ParsePortSettings(text), std::nullopt) << '"' << text << '"';
}

TEST(PortSettingsText, HandshakingNumberChoosesFlowControl) {
    const std::pair<int32_t, FlowControl> cases[] = {
        {0, FlowControl::None},     {1, FlowControl::Software}, {2, FlowControl::Hardware},
        {3, FlowControl::Hardware}, {-1, FlowControl::None},    {7, FlowControl::None},
    };
    for (const auto& [number, flow] : cases) EXPECT_EQ(FlowControlFor(number), flow) << number;
}

// ------------------------------------------------------------ refused opens

TEST(OpenFailureText, EachCauseIsToldInWordsTheUserCanActOn) {
    OpenFailure missing;
    missing.port = 2;
    missing.device = "/dev/ttyUSB1";
    missing.error = OpenError::NotFound;
    missing.exists = false;
    const FaultReport m = ClassifyOpenFailure(missing);
    EXPECT_EQ(m.fault, SerialFault::PortMissing);
    EXPECT_TRUE(Contains(m.text, "Port 2 (/dev/ttyUSB1): no such device")) << m.text;

    // Locked by another program: the user could open it otherwise.
    OpenFailure busy;
    busy.device = "/dev/ttyS0";
    busy.error = OpenError::Refused;
    busy.group = "dialout";
    busy.holder = "minicom, process 812";
    const FaultReport b = ClassifyOpenFailure(busy);
    EXPECT_EQ(b.fault, SerialFault::PortBusy);
    EXPECT_TRUE(Contains(b.text, "Port 1 (/dev/ttyS0) is in use by another program (minicom, process 812)")) << b.text;
    EXPECT_FALSE(Contains(b.text, "dialout")) << b.text;
    busy.holder.clear();
    EXPECT_EQ(ClassifyOpenFailure(busy).text, "Port 1 (/dev/ttyS0) is in use by another program. Close that program and connect again.");

    // The same refusal without read and write rights: a permission problem.
    OpenFailure denied = busy;
    denied.accessible = false;
    const FaultReport d = ClassifyOpenFailure(denied);
    EXPECT_EQ(d.fault, SerialFault::NoPermission);
    EXPECT_TRUE(Contains(d.text, "permission denied. Add yourself to the dialout group")) << d.text;
    denied.group.clear();
    EXPECT_TRUE(Contains(ClassifyOpenFailure(denied).text, "Add yourself to the group that owns /dev/ttyS0"));

    // A port held by another program on Windows: COM ports have no per-user rights.
    OpenFailure held;
    held.port = 3;
    held.device = "COM3";
    held.error = OpenError::Refused;
    EXPECT_EQ(ClassifyOpenFailure(held).text, "Port 3 (COM3) is in use by another program. Close that program and connect again.");

    OpenFailure other;
    other.device = "/dev/ttyS3";
    other.port = 4;
    other.reason = "Invalid argument";
    const FaultReport o = ClassifyOpenFailure(other);
    EXPECT_EQ(o.fault, SerialFault::OpenFailed);
    EXPECT_EQ(o.text, "Port 4 (/dev/ttyS3) could not be opened: Invalid argument.");
    // A device file that is gone counts as missing whatever the driver said.
    other.exists = false;
    EXPECT_EQ(ClassifyOpenFailure(other).fault, SerialFault::PortMissing);
}

// ------------------------------------------------------ port number to device

std::vector<PortEntry> Present(std::initializer_list<const char*> devices) {
    std::vector<PortEntry> present;
    for (const char* d : devices) present.push_back(PortEntry{d, {}, {}, {}, {}, {}, {}});
    return present;
}

TEST(PortMapping, LinuxHandsPresentUsbSerialThenCdcAcmDevicesToPortsInOrderThenTtyS) {
    struct Case {
        std::vector<PortEntry> present;
        std::vector<std::string> ports;  // what ports 1..5 open
    };
    const Case cases[] = {
        {Present({}), {"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2", "/dev/ttyS3", "/dev/ttyS4"}},
        {Present({"/dev/ttyUSB0"}), {"/dev/ttyUSB0", "/dev/ttyS1", "/dev/ttyS2", "/dev/ttyS3", "/dev/ttyS4"}},
        // Gaps in the numbers close up; CDC-ACM comes after every USB-serial.
        {Present({"/dev/ttyACM0", "/dev/ttyUSB2", "/dev/ttyUSB0"}),
         {"/dev/ttyUSB0", "/dev/ttyUSB2", "/dev/ttyACM0", "/dev/ttyS3", "/dev/ttyS4"}},
        // By number, not by letter: 10 follows 9.
        {Present({"/dev/ttyUSB10", "/dev/ttyUSB9", "/dev/ttyACM1", "/dev/ttyACM0"}),
         {"/dev/ttyUSB9", "/dev/ttyUSB10", "/dev/ttyACM0", "/dev/ttyACM1", "/dev/ttyS4"}},
        // Built-in and other ports are not handed out; names merely alike neither.
        {Present({"/dev/ttyS0", "/dev/ttyAMA0", "/dev/ttyUSB", "/dev/ttyUSBx", "/dev/rfcomm0", "/dev/ttyACM3"}),
         {"/dev/ttyACM3", "/dev/ttyS1", "/dev/ttyS2", "/dev/ttyS3", "/dev/ttyS4"}},
        // More present than port numbers: the first five.
        {Present({"/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyUSB2", "/dev/ttyUSB3", "/dev/ttyUSB4", "/dev/ttyUSB5"}),
         {"/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyUSB2", "/dev/ttyUSB3", "/dev/ttyUSB4"}},
    };
    for (const Case& c : cases) {
        for (int n = 1; n <= kPortCount; ++n) {
            EXPECT_EQ(DefaultDeviceForPort(n, Platform::Linux, c.present), c.ports[static_cast<size_t>(n - 1)])
                << "port " << n << ", first present " << (c.present.empty() ? "none" : c.present[0].device);
        }
    }
}

TEST(PortMapping, WindowsPortNOpensComNWhateverIsPresent) {
    const auto present = Present({"COM7", "COM3"});
    for (int n = 1; n <= kPortCount; ++n) EXPECT_EQ(DefaultDeviceForPort(n, Platform::Windows, present), "COM" + std::to_string(n));
}

TEST(PortMapping, NamesForTheSameDevice) {
    EXPECT_TRUE(SameDevice("COM12", "\\\\.\\com12", Platform::Windows));
    EXPECT_TRUE(SameDevice("com3", "COM3", Platform::Windows));
    EXPECT_FALSE(SameDevice("COM1", "COM12", Platform::Windows));
    EXPECT_FALSE(SameDevice("/dev/ttyusb0", "/dev/ttyUSB0", Platform::Linux));
    EXPECT_TRUE(SameDevice("/dev/./serial/../ttyUSB0", "/dev/ttyUSB0", Platform::Linux));
}

TEST(PortMapping, NamedDevicesWinAndPresenceIsToldForEachPort) {
    std::vector<PortEntry> present = Present({"/dev/ttyUSB0", "/dev/ttyACM0"});
    present[1].byId = "/dev/serial/by-id/usb-KT_Counter_42-if00";
    present[1].description = "KT46290";
    PortMap map(Platform::Linux);
    map.Name(3, "/dev/serial/by-id/usb-KT_Counter_42-if00", PortSource::Chosen);
    map.Name(4, "/dev/pts/7", PortSource::CommandLine);
    const auto exists = [](const std::string& path) { return path == "/dev/pts/7" || path == "/dev/ttyS1"; };

    const PortChoice p1 = map.Resolve(1, present, exists);
    EXPECT_EQ(p1.device, "/dev/ttyUSB0");
    EXPECT_EQ(p1.source, PortSource::Default);
    EXPECT_TRUE(p1.present);
    // A rule device that is not listed counts as absent even if its file is there.
    EXPECT_FALSE(map.Resolve(5, present, exists).present);
    const PortChoice p3 = map.Resolve(3, present, exists);  // found by its by-id link
    EXPECT_TRUE(p3.present);
    ASSERT_TRUE(p3.entry.has_value());
    EXPECT_EQ(p3.entry->device, "/dev/ttyACM0");
    EXPECT_EQ(PortToolTip(p3), "Opens /dev/serial/by-id/usb-KT_Counter_42-if00 (chosen with 其他设备…), present now: KT46290.");
    EXPECT_EQ(PortToolTip(map.Resolve(4, present, exists)), "Opens /dev/pts/7 (named with --port), present now.");
    EXPECT_EQ(PortToolTip(map.Resolve(5, present, exists)), "Opens /dev/ttyS4, not present now.");

    map.Forget(3);
    EXPECT_EQ(map.Resolve(3, present, exists).device, "/dev/ttyS2");
    PortMap windows(Platform::Windows);
    windows.Name(2, "\\\\.\\COM12", PortSource::CommandLine);
    EXPECT_TRUE(windows.Resolve(2, Present({"COM12"})).present);
    EXPECT_EQ(windows.Resolve(2, {}).device, "\\\\.\\COM12");
}

TEST(PortMapping, ByIdLinkIsFoundFromRelativeOrAbsoluteTargets) {
    const std::vector<PortLink> links = {
        {"/dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0", "../../ttyUSB0"},
        {"/dev/serial/by-id/usb-KT_Counter_42-if02", "/dev/ttyACM0"},
        {"/dev/serial/by-id/usb-KT_Counter_42-if00", "../../ttyACM0"},
        {"/dev/serial/by-id/broken", ""},
    };
    EXPECT_EQ(ByIdLinkFor("/dev/ttyUSB0", links), "/dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0");
    EXPECT_EQ(ByIdLinkFor("/dev/ttyACM0", links), "/dev/serial/by-id/usb-KT_Counter_42-if00");  // first by name
    EXPECT_EQ(ByIdLinkFor("/dev/ttyUSB1", links), "");
    EXPECT_EQ(ByIdLinkFor("/dev/ttyUSB0", {}), "");
}

TEST(PortOption, NumberEqualsDevice) {
    EXPECT_EQ(ParsePortOption("1=/dev/ttyUSB0"), (std::pair<int, std::string>{1, "/dev/ttyUSB0"}));
    EXPECT_EQ(ParsePortOption("5=COM12"), (std::pair<int, std::string>{5, "COM12"}));
    EXPECT_EQ(ParsePortOption("2=a=b"), (std::pair<int, std::string>{2, "a=b"}));
    for (const char* bad : {"", "1", "=COM1", "1=", "0=COM1", "6=COM1", "-1=COM1", "01x=COM1", " 1=COM1", "99999999999=x"})
        EXPECT_EQ(ParsePortOption(bad), std::nullopt) << '"' << bad << '"';
}

TEST(PortList, OneLineAPortWithWhatTheSystemKnows) {
    EXPECT_EQ(PortListText({}), "No serial ports found.\n");
    PortEntry usb{"/dev/ttyUSB0", "/dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0", "FT232R USB UART", "FTDI", "A1",
                  0x0403, 0x6001};
    PortEntry builtIn{"/dev/ttyS0", {}, {}, {}, {}, {}, {}};
    EXPECT_EQ(PortListText({usb, builtIn}),
              "/dev/ttyUSB0  by-id=/dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0  description=\"FT232R USB UART\"  "
              "manufacturer=\"FTDI\"  serial=\"A1\"  usb=0403:6001\n"
              "/dev/ttyS0\n");
}

}  // namespace
}  // namespace kt
