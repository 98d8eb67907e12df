#pragma once

#include "platform/ByteLine.h"

#include <string>
#include <vector>

namespace platform {

// One COM port as a unit search left it, for the user: the device it stood
// for (empty: none) and what the search met there.
struct PortTried {
    int comNumber = 0;
    std::string device;
    std::string outcome;
};

// A line per port, "  COM3 = /dev/ttyUSB0: no unit answered", and one line
// "  COM5 to COM9: no device" for a run of ports without a device; the lines
// joined by "\n".
std::string PortTriedLines(const std::vector<PortTried>& ports);

// "could not be opened: in use by another program": the outcome at a port
// whose line failed to open.
std::string CouldNotOpen(const ByteLine& line);

}  // namespace platform
