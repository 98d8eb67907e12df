#pragma once

#include <string>

namespace pellivar {

// One control point of a gamma curve on the processor's 0-1023 grid (1023 is
// the full scale of both axes).
struct CGammaPoint {
    static constexpr int kFullScale = 1023;

    int x = 0;
    int y = 0;

    bool InRange() const { return x >= 0 && x <= kFullScale && y >= 0 && y <= kFullScale; }

    // The point's wire form: x, then y, each as exactly three lower-case hex
    // digits ((0,0) is "000000", (1023,1023) "3ff3ff"). A coordinate that
    // does not fit three digits (above 4095, or negative) contributes
    // nothing.
    std::string ToHex() const;

    friend bool operator==(const CGammaPoint&, const CGammaPoint&) = default;
};

}  // namespace pellivar
