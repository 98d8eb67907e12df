#include "pellivar/GammaSpline.h"

#include <algorithm>

namespace pellivar {

GammaSpline::GammaSpline(const std::vector<CGammaPoint>& points) {
    if (points.size() > static_cast<std::size_t>(kMaxKnots)) return;
    for (const CGammaPoint& p : points) {
        // Off the grid: not a curve this spline draws (and no sweep over
        // billions of x values).
        if (!p.InRange()) {
            x_.clear();
            y_.clear();
            return;
        }
        if (!x_.empty() && !(p.x > x_.back())) continue;
        x_.push_back(p.x);
        y_.push_back(p.y);
    }
    const std::size_t n = x_.size();
    if (n < 2) {
        x_.clear();
        y_.clear();
        return;
    }
    // The tridiagonal sweep of the natural spline, then back substitution.
    y2_.assign(n, 0.0);
    std::vector<double> u(n, 0.0);
    for (std::size_t i = 1; i + 1 < n; ++i) {
        const double sig = (x_[i] - x_[i - 1]) / (x_[i + 1] - x_[i - 1]);
        const double p = sig * y2_[i - 1] + 2.0;
        y2_[i] = (sig - 1.0) / p;
        u[i] = (y_[i + 1] - y_[i]) / (x_[i + 1] - x_[i]) - (y_[i] - y_[i - 1]) / (x_[i] - x_[i - 1]);
        u[i] = (6.0 * u[i] / (x_[i + 1] - x_[i - 1]) - sig * u[i - 1]) / p;
    }
    y2_[n - 1] = 0.0;
    for (std::size_t k = n - 1; k-- > 0;) y2_[k] = y2_[k] * y2_[k + 1] + u[k];
}

double GammaSpline::EvaluateIn(std::size_t lo, double x) const {
    const std::size_t hi = lo + 1;
    // The width in single precision, as the processor's own drawing does;
    // knot coordinates are integers below 2^24, so it is exact.
    const float h = static_cast<float>(x_[hi] - x_[lo]);
    const double a = (x_[hi] - x) / h;
    const double b = (x - x_[lo]) / h;
    return a * y_[lo] + b * y_[hi] + ((a * a * a - a) * y2_[lo] + (b * b * b - b) * y2_[hi]) * (static_cast<double>(h) * h) / 6.0;
}

double GammaSpline::Evaluate(double x) const {
    if (Empty()) return 0.0;
    // The interval whose upper knot is the first above x.
    const auto it = std::upper_bound(x_.begin(), x_.end(), x);
    std::size_t hi = static_cast<std::size_t>(it - x_.begin());
    hi = std::clamp<std::size_t>(hi, 1, x_.size() - 1);
    return EvaluateIn(hi - 1, x);
}

std::vector<GammaSpline::Sample> GammaSpline::Samples() const {
    std::vector<Sample> out;
    if (Empty()) return out;
    out.reserve(static_cast<std::size_t>(x_.back() - x_.front()) + 1);
    for (std::size_t lo = 0; lo + 1 < x_.size(); ++lo) {
        const int from = static_cast<int>(x_[lo]);
        const int to = static_cast<int>(x_[lo + 1]);
        for (int x = from; x < to; ++x) out.push_back({x, EvaluateIn(lo, x)});
    }
    out.push_back({static_cast<int>(x_.back()), y_.back()});
    return out;
}

}  // namespace pellivar
