#pragma once

#include <cmath>
#include <cstdint>

namespace platform::alsa {

// Mixer volumes are shown on the 0..65535 scale whatever the element's own
// range, mapped linearly in the element's raw steps: 0 is the element's
// minimum, 65535 its maximum. A range of one value maps everything to it.
inline long ToDeviceVolume(std::uint32_t volume, long rawMin, long rawMax) {
    if (rawMax <= rawMin) return rawMin;
    if (volume > 65535u) volume = 65535u;
    const double span = static_cast<double>(rawMax) - static_cast<double>(rawMin);
    return rawMin + static_cast<long>(std::llround(volume * span / 65535.0));
}

inline std::uint32_t FromDeviceVolume(long raw, long rawMin, long rawMax) {
    if (rawMax <= rawMin || raw <= rawMin) return 0;
    if (raw >= rawMax) return 65535u;
    const double span = static_cast<double>(rawMax) - static_cast<double>(rawMin);
    return static_cast<std::uint32_t>(std::llround((static_cast<double>(raw) - rawMin) * 65535.0 / span));
}

// The number of distinct steps the element offers, as the mixer reports it.
inline std::uint32_t VolumeSteps(long rawMin, long rawMax) {
    if (rawMax <= rawMin) return 1;
    const long long steps = static_cast<long long>(rawMax) - rawMin + 1;
    return steps > 65536 ? 65536u : static_cast<std::uint32_t>(steps);
}

}  // namespace platform::alsa
