#include "halvane/design/StageMath.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace halvane::design::stage_math {

namespace {
// How far inside the unit circle a root found on it is put.
constexpr double kInside = 1.0 - 1e-12;

double PullInside(double r) {
    if (std::abs(r) >= 1.0 && std::abs(r) < 1.0 + 1e-12) return std::copysign(kInside, r);
    return r;
}
}  // namespace

bool IsStable(double a1, double a2) {
    return std::isfinite(a1) && std::isfinite(a2) && a2 < 1.0 && a1 + a2 > -1.0 && a2 - a1 > -1.0;
}

bool StabilizeSection(double& x, double& y, double& z, double* scale) {
    if (scale) *scale = 1.0;
    if (x == 0.0 || !std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return false;
    const double a1 = y / x;
    const double a2 = z / x;
    if (IsStable(a1, a2)) return false;
    const double disc = y * y - 4.0 * x * z;
    if (disc < 0.0) {
        // Complex pair r e^{+-j theta}: the reciprocal pair has the same
        // shape, |P| divided by r^2 = a2.
        double n1 = a1;
        double n2 = a2;
        double factor = 1.0;
        if (a2 > 1.0) {
            n1 = a1 / a2;
            n2 = 1.0 / a2;
            factor = a2;
        }
        if (n2 >= kInside * kInside) {
            // On the circle: the pair moves to radius kInside.
            n1 *= kInside / std::sqrt(n2);
            n2 = kInside * kInside;
        }
        y = x * n1;
        z = x * n2;
        if (scale) *scale = factor;
        return true;
    }
    // Real roots. t has no cancellation; the larger root is t / 2x and the
    // smaller follows from the product (Vieta) rather than the difference.
    const double q = std::sqrt(disc);
    const double s = y >= 0.0 ? -q : q;
    const double t = s - y;
    double r1 = 2.0 * z / t;  // the smaller root
    double r2 = 2.0 * x / t;  // the reciprocal of the larger root
    double factor = std::abs(t / (2.0 * x));
    if (std::abs(r1) > 1.0) {
        factor *= std::abs(r1);
        r1 = 1.0 / r1;
    }
    r1 = PullInside(r1);
    r2 = PullInside(r2);
    y = -x * (r1 + r2);
    z = x * r1 * r2;
    if (scale) *scale = factor;
    return true;
}

bool PairResonance(double c1, double c2, double rate, double& frequencyHz, double& q) {
    if (!(c1 * c1 - 4.0 * c2 < 0.0)) return false;
    const double r = std::sqrt(c2);
    const double theta = std::acos(std::clamp(-c1 / (2.0 * r), -1.0, 1.0));
    const double lr = std::log(r);
    // w0 and Q straight from the angle and log radius: the form through
    // x = 1 / sqrt((theta / ln r)^2 + 1) is 0/0 on the unit circle.
    const double w0 = std::hypot(theta, lr);
    frequencyHz = w0 * rate / (2.0 * std::numbers::pi);
    q = lr < 0.0 ? w0 / (-2.0 * lr) : std::numeric_limits<double>::infinity();
    return true;
}

double AllowedQ(double frequencyHz, double qMax) {
    if (frequencyHz < 10.0) return qMax / 8.0;
    if (frequencyHz < 80.0) return qMax * frequencyHz / 80.0;
    return qMax;
}

bool LimitPairQ(double& c1, double& c2, double rate, double qMax) {
    double f = 0.0;
    double q = 0.0;
    if (!PairResonance(c1, c2, rate, f, q)) return false;
    const double allowed = AllowedQ(f, qMax);
    if (!(q > allowed)) return false;
    const double r = std::sqrt(c2);
    const double theta = std::acos(std::clamp(-c1 / (2.0 * r), -1.0, 1.0));
    const double rNew = std::exp(-theta / std::sqrt(4.0 * allowed * allowed - 1.0));
    c1 = -2.0 * rNew * std::cos(theta);
    c2 = rNew * rNew;
    return true;
}

void PlacedPair(double w0, double q, double& c1, double& c2) {
    const double r = std::exp(-w0 / (2.0 * q));
    const double theta = std::sqrt(std::max(0.0, 4.0 - 1.0 / (q * q))) * w0 / 2.0;
    c1 = -2.0 * r * std::cos(theta);
    c2 = r * r;
}

double PoleRadius(double c1, double c2) {
    const double disc = c1 * c1 - 4.0 * c2;
    if (disc < 0.0) return std::sqrt(c2);
    return (std::abs(c1) + std::sqrt(disc)) / 2.0;
}

}  // namespace halvane::design::stage_math
