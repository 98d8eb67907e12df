#pragma once

#include <vector>

namespace halvane::design {

// The smoothing the model fits apply to a deviation (model minus
// measurement, in dB) before judging it: the deviation is the real part of a
// curve on the measured axis and is smoothed on that same axis by the curve
// smoothing (CCurve::Smooth with width 10^0.6, about a quarter octave, and
// 0 points per octave). Being power-based, each result is the local RMS of
// the deviation, never negative.
//
// A fit smooths thousands of deviations on one axis, and the smoothing
// weights depend on the axis alone; this object works them out once and
// then gives, for each deviation, the magnitudes CCurve::Smooth would give,
// in the same order of operations.
class DeviationSmoother {
public:
    static constexpr double kWidth = 3.9810717055349722;  // 10^0.6

    // The axis x[0..n-1] (ascending), copied.
    DeviationSmoother(const double* x, int n);

    int Count() const { return static_cast<int>(x_.size()); }
    // out[i] = the smoothed magnitude at x[i]; both arrays hold Count() values.
    void Apply(const double* deviation, double* out) const;

private:
    enum class Kind { Self, Interpolate, Average };
    struct Row {
        Kind kind = Kind::Self;
        int lo = 0;     // Self: the point; Average: the first point
        int hi = 0;     // Average: the last point
        int j = 0;      // Interpolate: the lower point of the bracket
        int weight = 0; // Average: index of the first weight in weights_
        double sumW = 0.0;
    };

    std::vector<double> x_;
    std::vector<Row> rows_;
    std::vector<double> weights_;
};

}  // namespace halvane::design
