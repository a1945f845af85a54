#include "ports/fault_text.h"

namespace kt {

namespace {

std::string PortName(int port, const std::string& device) {
    return "Port " + std::to_string(port) + " (" + device + ")";
}

}  // namespace

FaultReport ClassifyOpenFailure(const OpenFailure& f) {
    const std::string name = PortName(f.port, f.device);
    if (f.error == OpenError::NotFound || !f.exists) {
        return {SerialFault::PortMissing,
                name + ": no such device. Check that the cable or adapter is plugged in, or choose another port."};
    }
    if (f.error == OpenError::Refused) {
        if (f.accessible) {
            std::string text = name + " is in use by another program";
            if (!f.holder.empty()) text += " (" + f.holder + ")";
            return {SerialFault::PortBusy, text + ". Close that program and connect again."};
        }
        const std::string group = f.group.empty() ? "the group that owns " + f.device : "the " + f.group + " group";
        return {SerialFault::NoPermission,
                name + ": permission denied. Add yourself to " + group + ", log in again, and connect again."};
    }
    std::string text = name + " could not be opened";
    if (!f.reason.empty()) text += ": " + f.reason;
    return {SerialFault::OpenFailed, text + "."};
}

std::string DeviceLostText(int port, const std::string& device) {
    return PortName(port, device) + " was lost: the adapter was unplugged or the line closed. Connect again once it is back.";
}

std::string WriteFailedText(int port, const std::string& device) {
    return PortName(port, device) + ": a command could not be sent, so the port was closed. Connect again.";
}

std::string BadSettingsText(int port, const std::string& device, const std::string& settings) {
    return PortName(port, device) + " was not opened: the serial settings \"" + settings + "\" are not valid.";
}

}  // namespace kt
