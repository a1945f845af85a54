// Which device each port number of the port menu opens, the serial ports the
// system has, and how they are told to the user. Plain values: the serial
// adapter gathers what the operating system says and hands it in.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kt {

enum class Platform { Linux, Windows };
#ifdef _WIN32
inline constexpr Platform kThisPlatform = Platform::Windows;
#else
inline constexpr Platform kThisPlatform = Platform::Linux;
#endif

// Port numbers 1 to 5, one an item of the port menu.
inline constexpr int kPortCount = 5;

// One serial port the system has, as the operating system describes it.
struct PortEntry {
    std::string device;        // "/dev/ttyUSB0", "COM3"
    std::string byId;          // its stable /dev/serial/by-id/ link; empty when none
    std::string description;   // "FT232R USB UART"
    std::string manufacturer;  // "FTDI"
    std::string serialNumber;
    std::optional<uint16_t> vendorId;   // USB ids, when it is a USB device
    std::optional<uint16_t> productId;
};

// A symbolic link and its target as read: relative to the link's folder
// ("../../ttyUSB0") or absolute.
struct PortLink {
    std::string path;
    std::string target;
};

// The link among links that points at device, the first by name when several
// do; empty when none does.
std::string ByIdLinkFor(std::string_view device, const std::vector<PortLink>& links);

// The present devices that the default mapping hands to port numbers, in
// order: USB-serial adapters (ttyUSB*) by number, then USB CDC-ACM devices
// (ttyACM*) by number. Other devices are reached by number or by name only.
std::vector<std::string> DefaultPortOrder(const std::vector<PortEntry>& present);

// The device that port n opens when nothing names one. Linux: the n-th device
// of DefaultPortOrder, else /dev/ttyS{n-1}. Windows: COMn.
std::string DefaultDeviceForPort(int n, Platform platform, const std::vector<PortEntry>& present);

// Whether two names mean the same device. Windows names ignore case and the
// "\\.\" prefix of the long form ("\\.\COM12" is COM12).
bool SameDevice(std::string_view a, std::string_view b, Platform platform);

// Where a port number's device comes from.
enum class PortSource {
    Default,      // the mapping rule
    CommandLine,  // --port N=DEVICE
    Chosen,       // chosen in the port menu's device chooser (remembered)
};

// What port n opens now.
struct PortChoice {
    int port = 1;
    std::string device;
    PortSource source = PortSource::Default;
    bool present = false;
    std::optional<PortEntry> entry;  // the system's description, when it lists the device
};

// The devices named for port numbers; the rest follow the mapping rule.
class PortMap {
public:
    explicit PortMap(Platform platform = kThisPlatform) : platform_(platform) {}

    // Names device for port n (1..5); a later name replaces an earlier one.
    void Name(int n, std::string device, PortSource source);
    // Port n follows the mapping rule again.
    void Forget(int n);

    // exists: whether a named device that the system does not list (a
    // pseudo-terminal, say) is there.
    PortChoice Resolve(int n, const std::vector<PortEntry>& present,
                       const std::function<bool(const std::string&)>& exists = {}) const;

    Platform platform() const { return platform_; }

private:
    Platform platform_;
    std::map<int, std::pair<std::string, PortSource>> named_;
};

// "N=DEVICE" with N from 1 to 5; nothing when malformed.
std::optional<std::pair<int, std::string>> ParsePortOption(std::string_view value);

// One line a port: device, by-id link, description, manufacturer, serial
// number and USB vendor:product id, the fields the system does not know left
// out. An empty list says so.
std::string PortListText(const std::vector<PortEntry>& ports);

// The tool tip of a port item: the device, why that one, whether it is there.
std::string PortToolTip(const PortChoice& choice);

// The mapping rule in a few words, for --help.
std::string MappingRuleText(Platform platform);

}  // namespace kt
