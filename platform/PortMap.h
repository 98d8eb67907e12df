#pragma once

#include "platform/Profile.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Turns the programs' COM numbering into device paths. For "COMn":
//   1. the environment variable COMn (e.g. COM3=/dev/pts/7),
//   2. the profile key Ports/COMn,
//   3. the n-th serial device present, in the order /dev/ttyUSB*,
//      /dev/ttyACM*, /dev/ttyS* (each in numeric order).
// Texts shown to the user keep "COM%d".
class PortMap {
public:
    using Environment = std::function<std::optional<std::string>(const std::string& name)>;

    // A null profile skips step 2. `devDir` and `environment` are for tests.
    explicit PortMap(const Profile* profile = nullptr, std::string devDir = "/dev",
                     Environment environment = processEnvironment());

    struct Resolution {
        std::string path;    // empty when there is no such port
        std::string error;   // "no such port: COM5 ..." when path is empty
        std::string source;  // where the path came from, for the user:
                             // "the variable COM1", "the stored setting
                             // Ports/COM1", "the 1st serial device"
        bool ok() const { return !path.empty(); }
    };
    Resolution resolve(int comNumber) const;

    // Serial devices present, in enumeration order.
    std::vector<std::string> devices() const;

    static std::string portName(int comNumber);  // "COM3"
    static std::string settingName(int comNumber);  // "Ports/COM3"
    static Environment processEnvironment();

private:
    const Profile* profile_;
    std::string devDir_;
    Environment environment_;
};

}  // namespace platform
