#pragma once

#include <algorithm>
#include <cmath>

namespace halvane::app::models {

// How an axis keeps its range: the values themselves.
struct LinearScale {
    static constexpr bool kLog = false;
    static double Store(double v) { return v; }
    static double Load(double s) { return s; }
    static void Range(double low, double high, double& storedLow, double& storedHigh) {
        storedLow = low;
        storedHigh = high;
    }
};

// A logarithmic axis keeps natural logarithms. Values below 1e-40 (zero,
// negative) count as 1e-40; a high end not above the low end becomes
// 1e-39; the range spans at most five decades, so a far low end is raised.
struct LogScale {
    static constexpr bool kLog = true;
    static constexpr double kSmallest = 1e-40;
    static constexpr double kSmallestHigh = 1e-39;
    static constexpr double kMaxSpan = 100000.0;

    static double Store(double v) {
        // NaN compares false, so it counts as the smallest value too.
        return std::log(v > kSmallest ? v : kSmallest);
    }
    static double Load(double s) { return std::exp(s); }
    static void Range(double low, double high, double& storedLow, double& storedHigh) {
        const double l = low > kSmallest ? low : kSmallest;
        const double h = high > l ? high : kSmallestHigh;
        storedLow = std::log(l);
        storedHigh = std::log(h);
        const double floor = storedHigh - std::log(kMaxSpan);
        if (storedLow < floor) storedLow = floor;
    }
};

}  // namespace halvane::app::models
