#pragma once

#include <array>

namespace halvane::signal {

// The weighting kernel of the fractional-octave and ERB smoothing, tabulated
// at 1001 points: positions K (a frequency ratio in octave mode, a position
// relative to the band centre in ERB mode) stepped by a constant ratio, and
// their weights W. K[999] is the nominal edge of the window, K[1000] one step
// beyond it.
struct SmoothingKernel {
    static constexpr int kSize = 1001;

    bool erb = false;         // ERB mode: windows scale with the ERB band width
    double bandFactor = 1.0;  // ERB mode: B = 1.07 (2^(b/2) - 2^(-b/2))
    std::array<double, kSize> K{};
    std::array<double, kSize> W{};
};

// A negative fraction selects ERB mode with the rounded-exponential kernel of
// |fraction|; in octave mode `wide` selects the third-order Butterworth
// band-pass kernel, otherwise the rounded-exponential one.
SmoothingKernel MakeSmoothingKernel(bool wide, double fraction);

}  // namespace halvane::signal
