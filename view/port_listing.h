// The serial ports the system has now, as the serial driver lists them.
#pragma once

#include <vector>

#include "ports/port_map.h"

namespace kt::view {

// Every serial port with its description, USB ids and, on Linux, its stable
// /dev/serial/by-id/ link.
std::vector<PortEntry> SystemSerialPorts();

}  // namespace kt::view
