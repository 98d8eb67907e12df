#include "halvane/design/RateConversion.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "halvane/design/FilterDesign.h"
#include "halvane/design/StageMath.h"

namespace halvane::design {

namespace {

constexpr double kPi = std::numbers::pi;

// A real root through the bilinear frequency map, its sign kept. A zero
// root stays at 0 (ln 0 has no frequency); a root of modulus at most e^-pi
// lies beyond the old Nyquist frequency, where the map would wrap and put it
// outside the unit circle, so it stays too.
double MapRealRoot(double r, double f0, double f1) {
    const double a = std::abs(r);
    if (a <= std::exp(-kPi) || a >= std::exp(kPi)) return r;
    const double f = -std::log(a) * f0 / (2.0 * kPi);
    const double mapped = (f1 / kPi) * std::atan((f0 / f1) * std::tan(kPi * f / f0));
    return std::copysign(std::exp(-2.0 * kPi * mapped / f1), r);
}

double Sum(double c0, double c1, double c2) { return c0 + c1 + c2; }

}  // namespace

double ConvertQuadraticRate(double oldRate, double newRate, double& c0, double& c1, double& c2) {
    const double k0 = c0, k1 = c1, k2 = c2;
    if (c0 == 0.0 || !std::isfinite(c0) || !std::isfinite(c1) || !std::isfinite(c2) || !(oldRate > 0.0) ||
        !(newRate > 0.0))
        return 1.0;
    double p1 = c1 / c0;
    double p2 = c2 / c0;
    const double disc = p1 * p1 - 4.0 * p2;
    if (disc < 0.0) {
        // Complex pair: the analog distance t and Q stay with the resonance.
        const double r = std::sqrt(p2);
        const double theta = std::acos(std::clamp(-p1 / (2.0 * r), -1.0, 1.0));
        const double lr = std::log(r);
        const double t = std::hypot(theta, lr);
        const double tNew = t * oldRate / newRate;
        if (lr == 0.0) {
            p1 = -2.0 * std::cos(tNew);
            p2 = 1.0;
        } else {
            const double q = -t / (2.0 * lr);
            p1 = -2.0 * std::exp(-tNew / (2.0 * q)) *
                 std::cos(std::sqrt(std::max(0.0, 4.0 - 1.0 / (q * q))) * tNew / 2.0);
            p2 = std::exp(-tNew / q);
        }
    } else {
        const double s = std::sqrt(disc);
        const double t = p1 >= 0.0 ? -s - p1 : s - p1;  // twice the larger root
        const double big = t / 2.0;
        const double small = t == 0.0 ? 0.0 : 2.0 * p2 / t;
        const double r1 = MapRealRoot(big, oldRate, newRate);
        const double r2 = MapRealRoot(small, oldRate, newRate);
        p1 = -(r1 + r2);
        p2 = r1 * r2;
    }
    c0 = k0;
    c1 = k0 * p1;
    c2 = k0 * p2;
    const double before = Sum(k0, k1, k2);
    const double after = Sum(c0, c1, c2);
    if (before == 0.0 || after == 0.0 || !std::isfinite(before / after)) return 1.0;
    return before / after;
}

void FilterDesign::ChangeSampleRate(std::int32_t newRate) {
    if (newRate == SampleRate || newRate <= 0) return;
    double carry = 1.0;
    for (std::size_t i = 0; i < B0.size(); ++i) {
        const double dBefore = Sum(A0[i], A1[i], A2[i]);
        double gd = ConvertQuadraticRate(SampleRate, newRate, A0[i], A1[i], A2[i]);
        double sd = 1.0;
        // A denominator that came in unstable (a stored record) leaves
        // stable; its constant factor goes to the numerator with the gain.
        if (A0[i] != 0.0 && stage_math::StabilizeSection(A0[i], A1[i], A2[i], &sd)) {
            const double dAfter = Sum(A0[i], A1[i], A2[i]);
            gd = dBefore != 0.0 && dAfter != 0.0 ? dBefore / dAfter : 1.0 / sd;
        }
        const double gn = ConvertQuadraticRate(SampleRate, newRate, B0[i], B1[i], B2[i]);
        double f = gn / gd * carry;
        if (!std::isfinite(f) || f == 0.0) f = carry;
        B0[i] *= f;
        B1[i] *= f;
        B2[i] *= f;
        const double m = std::max({std::abs(B0[i]), std::abs(B1[i]), std::abs(B2[i])});
        if (m > 2.0) {
            B0[i] /= m / 2.0;
            B1[i] /= m / 2.0;
            B2[i] /= m / 2.0;
            carry = m / 2.0;
        } else {
            carry = 1.0;
        }
    }
    if (carry != 1.0) {
        const double c = carry > 0.0 ? carry : 1e-40;
        GainSteps += static_cast<std::int32_t>(std::trunc(40.0 * std::log10(c) + 0.5));
    }
    SampleRate = newRate;
}

}  // namespace halvane::design
