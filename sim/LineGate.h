#pragma once

#include "platform/LineSettings.h"

#include <string>
#include <termios.h>

namespace sim {

// Decides whether bytes sent by the program could be understood by a
// processor listening at `expected`: the same speed and framing, and a raw
// line (a cooked line would have echoed or translated them).
struct LineGate {
    static bool accepts(const termios& slave, const platform::LineSettings& expected);
    // "19200 8N2 raw" as the slave is set, for logs and failure messages.
    static std::string describe(const termios& slave);
    // How long one character takes on the wire as the slave is set (start
    // bit, data bits, parity, stop bits at its speed), in ms; 0 at a speed
    // the line does not know.
    static double byteTimeMs(const termios& slave);
};

}  // namespace sim
