#pragma once

#include <string>

namespace platform {

// The few kinds of serial failure a caller can act on; the system's own
// detail (errno and its text) is kept beside it on the line.
enum class SerialError {
    None,
    BadArgument,   // unsupported speed or framing, empty path
    NotFound,      // no such device
    Busy,          // another program holds the port
    Permission,    // not allowed to open it
    NotATerminal,  // the path is not a serial device
    NotOpen,       // operation on a closed line
    HungUp,        // the other end went away (EIO, POLLHUP, end of file)
    System,        // any other system failure
};

const char* SerialErrorName(SerialError e);

// The failure as the user can act on it: a missing, forbidden or busy port in
// words of its own, any other with the system's text after the kind's name
// ("system error: Is a directory").
std::string SerialErrorReason(SerialError e, int err);

}  // namespace platform
