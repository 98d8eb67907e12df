#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace marnoch {

// The processor's settings memory as the program holds it: 4096 bytes,
// addresses 0x000 to 0xFFF. A retrieve fills all of it; a file fills what it
// covers; programming and saving read it. It lives as long as the program
// and is never cleared between operations.
class SettingsImage {
public:
    static constexpr std::size_t kSize = 4096;

    std::uint8_t& operator[](std::size_t address) { return bytes_[address]; }
    std::uint8_t operator[](std::size_t address) const { return bytes_[address]; }
    std::array<std::uint8_t, kSize>& bytes() { return bytes_; }
    const std::array<std::uint8_t, kSize>& bytes() const { return bytes_; }

    // The program's one image.
    static SettingsImage& process();

private:
    std::array<std::uint8_t, kSize> bytes_{};
};

// Address ranges [first, end) of the two transfers and of the file.
struct AddressRange {
    unsigned first;
    unsigned end;
};
// Programming skips 0x000-0x00F and 0x040-0x05F: those hold the unit's own
// identity and calibration and are never written.
inline constexpr AddressRange kProgramRanges[] = {{0x010, 0x040}, {0x060, 0x1000}};
// A file holds 0x002-0x03F and 0x060-0xFFF.
inline constexpr AddressRange kFileRanges[] = {{0x002, 0x040}, {0x060, 0x1000}};

}  // namespace marnoch
