#pragma once

#include <array>
#include <cstdint>

namespace platform {

// A capture format as the recorders describe it: plain PCM, or the
// extensible form with valid bits, a channel mask and a sub-format GUID.
struct WaveFormat {
    static constexpr std::uint16_t TagPcm = 1;
    static constexpr std::uint16_t TagExtensible = 0xFFFE;
    static constexpr std::uint32_t SpeakerFrontLeft = 0x1;
    static constexpr std::uint32_t SpeakerFrontRight = 0x2;

    // {00000001-0000-0010-8000-00AA00389B71}, in the GUID's stored byte order.
    static constexpr std::array<std::uint8_t, 16> SubFormatPcm = {
        0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

    std::uint16_t formatTag = TagPcm;
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSec = 0;
    std::uint32_t avgBytesPerSec = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t extraSize = 0;  // bytes after the basic fields: 22 for the extensible form
    std::uint16_t validBitsPerSample = 0;
    std::uint32_t channelMask = 0;
    std::array<std::uint8_t, 16> subFormat{};

    // 16-bit PCM at `rate` with `channels`, in the extensible form or plain.
    static WaveFormat pcm16(std::uint16_t channels, std::uint32_t rate, bool extensible);

    // True for integer PCM: tag 1, or the extensible tag with the PCM
    // sub-format and all bits valid.
    bool isPcm() const;

    bool operator==(const WaveFormat&) const = default;
};

}  // namespace platform
