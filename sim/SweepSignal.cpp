#include "sim/SweepSignal.h"

#include <cmath>
#include <numbers>

namespace sim {

std::vector<double> SweepPeriod(int samples, int rate) {
    std::vector<double> x(static_cast<std::size_t>(samples > 0 ? samples : 0));
    if (samples <= 0 || rate <= 0) return x;
    const double n = samples;
    const double r = rate;
    const double f1 = 17.0 * r / n;
    const double f2 = 31569.0 * r / n;
    const double k = std::log(f2 / f1) / (n / r);
    for (int i = 0; i < samples; ++i) {
        const double t = i / r;
        x[static_cast<std::size_t>(i)] = std::sin(2 * std::numbers::pi * f1 * (std::exp(k * t) - 1) / k);
    }
    return x;
}

}  // namespace sim
