#pragma once

#include "platform/MmResult.h"

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// One line of a sound input's mixer: the wave-input destination (what is
// recorded) or one of its sources (microphone, line in).
struct MixerLine {
    static constexpr std::uint32_t WaveInDestination = 0x0007;
    static constexpr std::uint32_t Microphone = 0x1003;
    static constexpr std::uint32_t LineIn = 0x1002;
    static constexpr std::uint32_t Undefined = 0x1000;

    std::uint32_t lineId = 0;
    std::uint32_t componentType = 0;
    unsigned channels = 0;
    unsigned connections = 0;  // a destination's number of sources
    unsigned controls = 0;
    std::string targetName;    // the sound input the line belongs to
};

// One control of a mixer line. Volumes run on the 0..65535 scale whatever
// the hardware's own range; the boolean kinds (switch, mute, multiple-item
// select) take 0 or 1 per value.
struct MixerControl {
    static constexpr std::uint32_t Volume = 0x50030001;
    static constexpr std::uint32_t Boolean = 0x20010000;
    static constexpr std::uint32_t Mute = 0x20010002;
    static constexpr std::uint32_t Mux = 0x71010001;

    std::uint32_t controlId = 0;
    std::uint32_t type = 0;
    std::string name;
    bool uniform = false;       // one value serves every channel
    bool disabled = false;
    unsigned items = 0;         // >0: a multiple-item control (one value per item)
    std::uint32_t minimum = 0;
    std::uint32_t maximum = 0;
    std::uint32_t steps = 0;

    bool isBoolean() const { return (type & 0x00FF0000u) == 0x00010000u; }
    bool isMultipleItem() const { return items > 0; }
};

// The mixer of one open sound input.
class InputMixer {
public:
    virtual ~InputMixer() = default;

    // The first line of that component type: the destination or a source.
    virtual MmResult lineByComponent(std::uint32_t componentType, MixerLine& out) = 0;
    // Source `index` of the destination line.
    virtual MmResult sourceLine(std::uint32_t destinationId, unsigned index, MixerLine& out) = 0;
    virtual MmResult lineControls(std::uint32_t lineId, std::vector<MixerControl>& out) = 0;
    virtual MmResult controlByType(std::uint32_t lineId, std::uint32_t type, MixerControl& out) = 0;
    // values: `channels` values, or for a multiple-item control items x
    // channels values, item by item (value[item * channels + channel]).
    virtual MmResult setControl(std::uint32_t controlId, unsigned channels,
                                const std::vector<std::uint32_t>& values) = 0;
};

}  // namespace platform
