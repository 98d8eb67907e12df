#include "halvane/signal/SmoothingKernel.h"

#include <cmath>

namespace halvane::signal {

namespace {

void FillPositions(SmoothingKernel& k, double first, double ratio) {
    const double step = std::pow(ratio, 1.0 / 999.0);
    k.K[0] = first;
    for (int i = 0; i + 1 < SmoothingKernel::kSize; ++i) k.K[i + 1] = k.K[i] * step;
}

// |H|^2 of the third-order Butterworth band-pass of relative bandwidth c at
// the frequency ratio d.
double BandPassPower(double c, double d) {
    const double d2 = d * d, d3 = d2 * d, d4 = d2 * d2, d5 = d4 * d, d6 = d3 * d3;
    const double num = c * c * c * d3;
    const double re = (d4 - d2) * (2.0 * c * c + 3.0) + 1.0 - d6;
    const double im = (d + d5) * 2.0 * c - d3 * c * (c * c + 4.0);
    const double h = num / std::sqrt(re * re + im * im);
    return h * h;
}

}  // namespace

SmoothingKernel MakeSmoothingKernel(bool wide, double fraction) {
    SmoothingKernel k;
    k.erb = fraction < 0.0;
    const double b = std::fabs(fraction);
    const double spread = std::pow(2.0, b / 2.0) - std::pow(2.0, -b / 2.0);
    if (k.erb) k.bandFactor = 1.07 * spread;
    if (!k.erb && wide) {
        FillPositions(k, 1.0 / (2.0 * std::pow(2.0, b / 2.0)), 4.0 * std::pow(2.0, b));
        for (int i = 0; i < SmoothingKernel::kSize; ++i) k.W[i] = BandPassPower(spread, k.K[i]);
    } else {
        // Rounded exponential, cut where its weight falls to about 0.01.
        const double g = 1.07 * spread / 4.0;
        const double h = 6.6383 * g;
        FillPositions(k, 1.0 - h, (1.0 + h) / (1.0 - h));
        for (int i = 0; i < SmoothingKernel::kSize; ++i) {
            const double w = std::fabs(k.K[i] - 1.0) / g;
            k.W[i] = (1.0 + w) * std::exp(-w);
        }
    }
    return k;
}

}  // namespace halvane::signal
