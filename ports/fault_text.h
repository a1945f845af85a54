// Why a port would not open, told in words the user can act on.
#pragma once

#include <string>

#include "core/serial_control.h"

namespace kt {

// What the serial driver said when the port refused to open.
enum class OpenError {
    NotFound,  // no such device
    Refused,   // access denied: locked by another program or not permitted
    Other,
};

// What is known about a port that refused to open.
struct OpenFailure {
    int port = 1;                  // the panel's port number
    std::string device;            // the device it opens
    OpenError error = OpenError::Other;
    std::string reason;            // the serial driver's own words
    bool exists = true;            // the device file is there
    bool accessible = true;        // the user may read and write it
    std::string group;             // the group that owns the device, if known
    std::string holder;            // who holds the port ("minicom, process 812"), if known
};

struct FaultReport {
    SerialFault fault = SerialFault::None;
    std::string text;
};

// A port that is locked and a port the user may not open are both reported
// as a permission error by the serial driver; whether the user may read and
// write the device tells them apart.
FaultReport ClassifyOpenFailure(const OpenFailure& failure);

// The words for a port that failed while open.
std::string DeviceLostText(int port, const std::string& device);
std::string WriteFailedText(int port, const std::string& device);
std::string BadSettingsText(int port, const std::string& device, const std::string& settings);

}  // namespace kt
