#include "platform/PortTried.h"

#include "platform/PortMap.h"

namespace platform {

std::string PortTriedLines(const std::vector<PortTried>& ports) {
    std::string text;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        if (i > 0) text += "\n";
        text += "  " + PortMap::portName(ports[i].comNumber);
        if (!ports[i].device.empty()) {
            text += " = " + ports[i].device + ": " + ports[i].outcome;
            continue;
        }
        // A run of ports that stand for nothing is one line.
        std::size_t last = i;
        while (last + 1 < ports.size() && ports[last + 1].device.empty()) ++last;
        if (last > i) text += " to " + PortMap::portName(ports[last].comNumber);
        text += ": no device";
        i = last;
    }
    return text;
}

std::string CouldNotOpen(const ByteLine& line) { return "could not be opened: " + line.lastErrorReason(); }

}  // namespace platform
