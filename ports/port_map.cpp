#include "ports/port_map.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <tuple>

namespace kt {

namespace {

// "/dev/serial/by-id/../../ttyUSB0" -> "/dev/ttyUSB0": "." and ".." taken
// out by the letter, without asking the file system.
std::string NormalPath(std::string_view path) {
    std::vector<std::string_view> parts;
    const bool absolute = !path.empty() && path.front() == '/';
    while (!path.empty()) {
        const size_t slash = path.find('/');
        const std::string_view part = path.substr(0, slash);
        path.remove_prefix(slash == std::string_view::npos ? path.size() : slash + 1);
        if (part.empty() || part == ".") continue;
        if (part == ".." && !parts.empty() && parts.back() != "..") {
            parts.pop_back();
        } else if (part != ".." || !absolute) {
            parts.push_back(part);
        }
    }
    std::string out = absolute ? "/" : "";
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) out += '/';
        out += parts[i];
    }
    return out;
}

std::string_view BaseName(std::string_view path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// "ttyUSB12" with prefix "ttyUSB": its number's digits; nothing otherwise.
std::optional<std::string_view> NumberAfter(std::string_view name, std::string_view prefix) {
    if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) return std::nullopt;
    const std::string_view digits = name.substr(prefix.size());
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) return std::nullopt;
    return digits;
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string_view WithoutDevicePrefix(std::string_view name) {
    constexpr std::string_view kLongForm = "\\\\.\\";
    return name.substr(0, kLongForm.size()) == kLongForm ? name.substr(kLongForm.size()) : name;
}

std::string Hex4(uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(value));
    return text;
}

}  // namespace

std::string ByIdLinkFor(std::string_view device, const std::vector<PortLink>& links) {
    const std::string wanted = NormalPath(device);
    std::string found;
    for (const PortLink& link : links) {
        std::string target = link.target;
        if (target.empty()) continue;
        if (target.front() != '/') {
            const size_t slash = link.path.rfind('/');
            target = (slash == std::string::npos ? std::string() : link.path.substr(0, slash + 1)) + target;
        }
        if (NormalPath(target) == wanted && (found.empty() || link.path < found)) found = link.path;
    }
    return found;
}

std::vector<std::string> DefaultPortOrder(const std::vector<PortEntry>& present) {
    // USB-serial before CDC-ACM, then by number: shorter digits first, so
    // that ttyUSB10 follows ttyUSB9.
    using Key = std::tuple<int, size_t, std::string_view>;
    std::vector<std::pair<Key, std::string>> found;
    for (const PortEntry& entry : present) {
        const std::string_view name = BaseName(entry.device);
        if (const auto usb = NumberAfter(name, "ttyUSB")) {
            found.push_back({Key{0, usb->size(), *usb}, entry.device});
        } else if (const auto acm = NumberAfter(name, "ttyACM")) {
            found.push_back({Key{1, acm->size(), *acm}, entry.device});
        }
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> order;
    for (auto& [key, device] : found) {
        if (order.empty() || order.back() != device) order.push_back(std::move(device));
    }
    return order;
}

std::string DefaultDeviceForPort(int n, Platform platform, const std::vector<PortEntry>& present) {
    if (platform == Platform::Windows) return "COM" + std::to_string(n);
    const std::vector<std::string> order = DefaultPortOrder(present);
    if (n >= 1 && static_cast<size_t>(n) <= order.size()) return order[static_cast<size_t>(n - 1)];
    return "/dev/ttyS" + std::to_string(n - 1);
}

bool SameDevice(std::string_view a, std::string_view b, Platform platform) {
    if (platform == Platform::Linux) return NormalPath(a) == NormalPath(b);
    a = WithoutDevicePrefix(a);
    b = WithoutDevicePrefix(b);
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Upper(x) == Upper(y); });
}

void PortMap::Name(int n, std::string device, PortSource source) { named_[n] = {std::move(device), source}; }

void PortMap::Forget(int n) { named_.erase(n); }

PortChoice PortMap::Resolve(int n, const std::vector<PortEntry>& present,
                            const std::function<bool(const std::string&)>& exists) const {
    PortChoice choice;
    choice.port = n;
    if (const auto named = named_.find(n); named != named_.end()) {
        choice.device = named->second.first;
        choice.source = named->second.second;
    } else {
        choice.device = DefaultDeviceForPort(n, platform_, present);
    }
    for (const PortEntry& entry : present) {
        if (SameDevice(entry.device, choice.device, platform_) ||
            (!entry.byId.empty() && SameDevice(entry.byId, choice.device, platform_))) {
            choice.entry = entry;
            break;
        }
    }
    choice.present = choice.entry.has_value();
    // A device named by hand may be one the system does not list as a serial
    // port, such as a pseudo-terminal; the default devices are the listed ones.
    if (!choice.present && choice.source != PortSource::Default && exists) choice.present = exists(choice.device);
    return choice;
}

std::optional<std::pair<int, std::string>> ParsePortOption(std::string_view value) {
    const size_t eq = value.find('=');
    if (eq == std::string_view::npos || eq == 0 || eq + 1 == value.size()) return std::nullopt;
    int n = 0;
    const char* first = value.data();
    const char* last = value.data() + eq;
    const auto [end, ec] = std::from_chars(first, last, n);
    if (ec != std::errc() || end != last || n < 1 || n > kPortCount) return std::nullopt;
    return std::pair{n, std::string(value.substr(eq + 1))};
}

std::string PortListText(const std::vector<PortEntry>& ports) {
    if (ports.empty()) return "No serial ports found.\n";
    std::string text;
    for (const PortEntry& p : ports) {
        text += p.device;
        if (!p.byId.empty()) text += "  by-id=" + p.byId;
        if (!p.description.empty()) text += "  description=\"" + p.description + "\"";
        if (!p.manufacturer.empty()) text += "  manufacturer=\"" + p.manufacturer + "\"";
        if (!p.serialNumber.empty()) text += "  serial=\"" + p.serialNumber + "\"";
        if (p.vendorId && p.productId) text += "  usb=" + Hex4(*p.vendorId) + ":" + Hex4(*p.productId);
        text += '\n';
    }
    return text;
}

std::string PortToolTip(const PortChoice& choice) {
    std::string text = "Opens " + choice.device;
    switch (choice.source) {
    case PortSource::CommandLine: text += " (named with --port)"; break;
    case PortSource::Chosen: text += " (chosen with 其他设备…)"; break;
    case PortSource::Default: break;
    }
    text += choice.present ? ", present now" : ", not present now";
    if (choice.entry && !choice.entry->description.empty()) text += ": " + choice.entry->description;
    return text + ".";
}

std::string MappingRuleText(Platform platform) {
    const std::string rule =
        platform == Platform::Windows
            ? "Port N of the port menu opens COMN."
            : "Port N of the port menu opens the N-th present USB device: USB-serial adapters (ttyUSB*) "
              "first, then USB CDC-ACM devices (ttyACM*), each by number; with fewer present, /dev/ttyS{N-1}.";
    return rule + " A device chosen with the menu's last item (Other device) or named with --port replaces that.";
}

}  // namespace kt
