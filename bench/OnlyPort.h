#pragma once

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/PortMap.h"

namespace bench {

// A port map on which `name` (e.g. "COM1") is the simulator's pty and no
// other port exists: the device folder searched is an empty one of its own,
// so a benchmark never opens a real serial device.
inline platform::PortMap OnlyPort(const std::string& name, const std::string& path) {
    static const std::string emptyDir = [] {
        char tmpl[] = "/tmp/halvane-benchXXXXXX";
        const char* d = ::mkdtemp(tmpl);
        return std::string(d ? d : "/nonexistent-dev-dir");
    }();
    return platform::PortMap(nullptr, emptyDir, [name, path](const std::string& asked) -> std::optional<std::string> {
        if (asked == name) return path;
        return std::nullopt;
    });
}

}  // namespace bench
