#include "halvane/design/CBaseTarget.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "halvane/design/CurveLevel.h"
#include "halvane/signal/CCurve.h"

namespace halvane::design {

CBaseTarget::CBaseTarget(std::int32_t sampleRate) : sampleRate_(sampleRate), shelfRatio_(std::sqrt(std::sqrt(2.0))) {}

void CBaseTarget::SetCrossover(std::int32_t hz) {
    crossoverHz_ = hz;
    crossoverValue_ = hz;
}

double CBaseTarget::MatchLevel(signal::CCurve& a, const signal::CCurve& b, double lo, double hi) const {
    signal::CurveHandle onB = a.ResampleTo(b);
    const int n = b.Count();
    const double* x = b.X();
    std::vector<double> levelA(static_cast<std::size_t>(n));
    double ref = -std::numeric_limits<double>::infinity();
    for (int i = 0; i < n; ++i) {
        levelA[i] = LevelDbAt(*onB, i);
        if (x[i] >= lo && x[i] <= hi) ref = std::max(ref, levelA[i]);
    }
    double sum = 0.0;
    double weights = 0.0;
    for (int i = 0; i < n; ++i) {
        if (!(x[i] >= lo && x[i] < hi)) continue;
        const double w = std::sqrt(std::pow(10.0, (levelA[i] - ref) / 20.0));
        sum += (levelA[i] - LevelDbAt(b, i)) * w;
        weights += w;
    }
    // An empty band would be 0 / 0: the curves are then left as they are.
    if (!(weights > 0.0) || !std::isfinite(sum)) return 1.0;
    return std::pow(10.0, -(sum / weights) / 20.0);
}

void CBaseTarget::KeepBelowNyquist(signal::CCurve& curve) const {
    const double nyquist = sampleRate_ / 2.0;
    const int n = curve.Count();
    const double* x = curve.X();
    int keep = 0;
    while (keep < n && x[keep] <= nyquist) ++keep;
    if (keep < n) curve.SetSize(keep);
}

}  // namespace halvane::design
