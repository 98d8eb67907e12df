#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace halvane {

// The 24-bit two's-complement fraction of x in [-1, 1]: negative values
// scale by 2^23, the others by 2^23 - 1 (both are the processors' format).
// Any other x, NaN included, throws std::out_of_range.
std::uint32_t ToCoefficientWord(double x);

// One correction stage, its coefficients stored halved (a0 is 1 and not
// stored). Stored in documents as 48 bytes: five doubles, the flag, the
// in-use byte and 6 zero bytes.
struct Biquad {
    static constexpr int kWordCount = 6;
    static constexpr std::size_t kStoredSize = 48;
    using Stored = std::array<std::uint8_t, kStoredSize>;

    double b2_2 = 0.0;
    double b1_2 = 0.0;
    double b0_2 = 0.5;
    double a2_2 = 0.0;
    double a1_2 = 0.0;
    std::int8_t flag = 0;
    std::uint8_t inUse = 0;

    // The stage not in use: the identity section b0 = 1.
    static Biquad Identity() { return Biquad{}; }

    // Word n (0-5) of the stage's upload: the coefficient words of b2/2,
    // b1/2, b0/2, a2/2, a1/2, then the flag byte's value (24 bits).
    // A coefficient outside [-1, 1] throws std::out_of_range.
    std::uint32_t Word(int n) const;
    // Its "%06X" text.
    std::string FormatWord(int n) const;

    // The stored record: the five doubles little-endian, the flag, the
    // in-use byte and six bytes written as zero and ignored on reading.
    Stored ToStored() const;
    static Biquad FromStored(const Stored& bytes);

    bool operator==(const Biquad&) const = default;
};

}  // namespace halvane
