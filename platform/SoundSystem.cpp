#include "platform/SoundSystem.h"

namespace platform {

std::string TruncateDeviceName(const std::string& name) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        if ((byte & 0xC0) == 0x80) continue;  // continuation byte of the same character
        if (chars == SoundSystem::MaxNameLength) return name.substr(0, i);
        ++chars;
    }
    return name;
}

}  // namespace platform
