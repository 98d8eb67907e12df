#include "halvane/signal/Phase.h"

#include <cmath>

#include "halvane/signal/Parallel.h"

void UnwrapPhase(double* p, int n) {
    if (n < 2) return;
    double e = 0.0;
    const double d = p[1] - p[0];
    if (d > kPi) e = kTwoPi;
    else if (d < -kPi) e = -kTwoPi;
    for (int i = 1; i <= n - 2; ++i) {
        const double c = p[i] - e;
        const double t = 2.0 * c - p[i - 1] - (p[i + 1] - e);
        p[i] = c;
        if (t > kPi) e -= kTwoPi;
        else if (t < -kPi) e += kTwoPi;
    }
    p[n - 1] -= e;
}

void WrapPhasePositive(int n, double* p) {
    HALVANE_PARALLEL_FOR(n)
    for (int i = 0; i < n; ++i) {
        const double r = std::fmod(p[i], kTwoPi);
        p[i] = r < 0.0 ? r + kTwoPi : r;
    }
}

void WrapPhaseSymmetric(int n, double* p) {
    HALVANE_PARALLEL_FOR(n)
    for (int i = 0; i < n; ++i) {
        double v = p[i];
        if (v > kPi || v <= -kPi) {
            v -= kTwoPi * std::ceil((v - kPi) / kTwoPi);
            // The rounding of the product may leave the value one step out.
            if (v > kPi) v -= kTwoPi;
            else if (v <= -kPi) v += kTwoPi;
        }
        p[i] = v;
    }
}

double WrapPhaseNear(double r, double p) {
    const double d = r - p;
    if (!std::isfinite(d)) return p;
    if (d > kPi) {
        p += kTwoPi * std::ceil((d - kPi) / kTwoPi);
        if (r - p > kPi) p += kTwoPi;
    } else if (d < -kPi) {
        p -= kTwoPi * std::ceil((-kPi - d) / kTwoPi);
        if (r - p < -kPi) p -= kTwoPi;
    }
    return p;
}
