#pragma once

#include <cmath>
#include <numbers>

namespace halvane::signal {

// The phase helpers of the spectral toolkit. pi and 2 pi are the doubles
// nearest to them (equal to 4 atan(1) and 8 atan(1)).
inline constexpr double kPhasePi = std::numbers::pi;
inline constexpr double kPhaseTwoPi = 2.0 * std::numbers::pi;

// Prediction-based unwrap with a running correction: each phase is
// corrected by the turns that keep its second difference within pi. Fewer
// than two values are left as they are.
void UnwrapPhase(double* p, int n);

// Every value into [0, 2 pi): fmod by 2 pi, adding 2 pi to a negative
// remainder.
void WrapPhasePositive(int n, double* p);

// Every value into (-pi, pi], computed without a loop.
void WrapPhaseSymmetric(int n, double* p);

// p shifted by whole turns until r - p lies in [-pi, pi]; a p already there
// is returned unchanged. The number of turns is computed, so a huge p costs
// no more than a small one; a non-finite difference returns p. Inline: the
// smoothing calls it for every point of every window.
inline double WrapPhaseNear(double r, double p) {
    const double d = r - p;
    if (d >= -kPhasePi && d <= kPhasePi) return p;
    if (!(std::fabs(d) < 1e15)) {
        if (!std::isfinite(d)) return p;
        return p + kPhaseTwoPi * std::nearbyint(d / kPhaseTwoPi);
    }
    // The nearest number of turns (rounded by a conversion, which the
    // baseline instruction set does without a library call), then at most
    // one turn of correction so the result lies where shifting one turn at
    // a time would have stopped: d in (-pi, pi] coming from above, in
    // [-pi, pi) coming from below.
    const double t = d * (1.0 / kPhaseTwoPi);
    const double turns = static_cast<double>(static_cast<long long>(t + (t >= 0.0 ? 0.5 : -0.5)));
    double q = p + kPhaseTwoPi * turns;
    if (d > 0.0) {
        if (r - q > kPhasePi) q += kPhaseTwoPi;
        if (r - q <= -kPhasePi) q -= kPhaseTwoPi;
    } else {
        if (r - q < -kPhasePi) q -= kPhaseTwoPi;
        if (r - q >= kPhasePi) q += kPhaseTwoPi;
    }
    return q;
}

}  // namespace halvane::signal
