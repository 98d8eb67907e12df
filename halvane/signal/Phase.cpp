#include "halvane/signal/Phase.h"

#include <cmath>

#include "halvane/signal/Parallel.h"

namespace halvane::signal {

void UnwrapPhase(double* p, int n) {
    if (n < 2) return;
    double e = 0.0;
    const double d = p[1] - p[0];
    if (d > kPhasePi) e = kPhaseTwoPi;
    else if (d < -kPhasePi) e = -kPhaseTwoPi;
    for (int i = 1; i <= n - 2; ++i) {
        const double c = p[i] - e;
        const double t = 2.0 * c - p[i - 1] - (p[i + 1] - e);
        p[i] = c;
        if (t > kPhasePi) e -= kPhaseTwoPi;
        else if (t < -kPhasePi) e += kPhaseTwoPi;
    }
    p[n - 1] -= e;
}

void WrapPhasePositive(int n, double* p) {
    HALVANE_PARALLEL_FOR(n)
    for (int i = 0; i < n; ++i) {
        const double r = std::fmod(p[i], kPhaseTwoPi);
        p[i] = r < 0.0 ? r + kPhaseTwoPi : r;
    }
}

void WrapPhaseSymmetric(int n, double* p) {
    HALVANE_PARALLEL_FOR(n)
    for (int i = 0; i < n; ++i) {
        double v = p[i];
        if (v > kPhasePi || v <= -kPhasePi) {
            v -= kPhaseTwoPi * std::ceil((v - kPhasePi) / kPhaseTwoPi);
            // The rounding of the product may leave the value one step out.
            if (v > kPhasePi) v -= kPhaseTwoPi;
            else if (v <= -kPhasePi) v += kPhaseTwoPi;
        }
        p[i] = v;
    }
}

}  // namespace halvane::signal
