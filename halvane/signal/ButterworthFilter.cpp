#include "halvane/signal/ButterworthFilter.h"

#include <cmath>

#include "halvane/signal/Phase.h"

namespace halvane::signal {

ButterworthHighPass DesignButterworthHighPass(int rate, double fc) {
    const double zeta = 1.0 / std::sqrt(2.0);
    const double w = kPhaseTwoPi * fc / rate;
    const double r = std::exp(-zeta * w);
    const double wd = w * std::sqrt(4.0 * zeta * zeta - 1.0) / (2.0 * zeta);
    ButterworthHighPass f{};
    f.a1 = -2.0 * r * std::cos(wd);
    f.a2 = std::exp(-2.0 * zeta * w);
    f.b0 = (1.0 - f.a1 + f.a2) / 4.0;
    f.b1 = -2.0 * f.b0;
    f.b2 = f.b0;
    return f;
}

void ButterworthFilter(double* samples, int count, int rate, double fc) {
    if (count < 1 || rate <= 0) return;
    const ButterworthHighPass f = DesignButterworthHighPass(rate, fc);
    double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
    for (int pass = 0; pass < 2; ++pass) {
        const bool keep = pass == 1;
        for (int m = 0; m < count; ++m) {
            const double x = samples[m];
            const double y = f.b0 * x + f.b1 * x1 + f.b2 * x2 - f.a1 * y1 - f.a2 * y2;
            x2 = x1;
            x1 = x;
            y2 = y1;
            y1 = y;
            if (keep) samples[m] = y;
        }
    }
}

}  // namespace halvane::signal
