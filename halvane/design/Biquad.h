#pragma once

#include <cstdint>

namespace halvane::design {

// One correction stage, its coefficients stored halved (a0 is 1 and not
// stored). The link turns it into the processors' words (BiquadWords.h),
// the document into its stored record (StoredStage.h).
struct Biquad {
    double b2_2 = 0.0;
    double b1_2 = 0.0;
    double b0_2 = 0.5;
    double a2_2 = 0.0;
    double a1_2 = 0.0;
    std::int8_t flag = 0;
    std::uint8_t inUse = 0;

    // The stage not in use: the identity section b0 = 1.
    static Biquad Identity() { return Biquad{}; }

    bool operator==(const Biquad&) const = default;
};

}  // namespace halvane::design
