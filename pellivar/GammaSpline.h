#pragma once

#include "pellivar/CGammaPoint.h"

#include <vector>

namespace pellivar {

// The curve the processor draws through a gamma curve's control points: a
// natural cubic spline (second derivative 0 at both ends) in double
// precision.
//
// Every point must lie on the 0-1023 grid, or the spline is empty.
// Knots must rise in x: a knot whose x is not above the previous knot's
// (two points on one x, or a point left of its predecessor, as a damaged
// file or reply may give) is left out instead of dividing by a zero width.
class GammaSpline {
public:
    static constexpr int kMaxKnots = 30;

    struct Sample {
        int x;
        double y;
    };

    // Fewer than two usable knots, or more than kMaxKnots points, give an
    // empty spline.
    explicit GammaSpline(const std::vector<CGammaPoint>& points);

    bool Empty() const { return x_.size() < 2; }
    const std::vector<double>& KnotX() const { return x_; }
    const std::vector<double>& SecondDerivatives() const { return y2_; }

    // The spline at x (clamped to the interval of the nearest knots).
    double Evaluate(double x) const;

    // The drawn curve: every integer x from each knot up to (not including)
    // the next, then the last knot. Empty for an empty spline.
    std::vector<Sample> Samples() const;

private:
    double EvaluateIn(std::size_t lo, double x) const;

    std::vector<double> x_;
    std::vector<double> y_;
    std::vector<double> y2_;
};

}  // namespace pellivar
