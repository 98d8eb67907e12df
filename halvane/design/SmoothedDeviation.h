#pragma once

#include <vector>

// The smoothing the model fits apply to a deviation (model minus
// measurement, in dB) before judging it: the deviation is taken as the real
// part of a curve on the measured axis x[0..n-1] (0 dB where it is not
// judged) and smoothed in place on that axis by the curve smoothing with
// width 10^0.6 (about a quarter octave). Being power-based, each result is
// the local RMS of the deviation, never negative. Fewer than three points
// are returned as their absolute values.
//
// Only the points whose smoothing windows can reach [lo, hi] take part
// (x from lo / 2 to 2 hi), which gives the same values in [lo, hi] as
// smoothing the whole axis, at a fraction of the cost.
std::vector<double> SmoothedDeviation(const double* x, const double* deviation, int n, double lo, double hi);

// The smoothing width of the deviation: 10^0.6.
inline constexpr double kDeviationSmoothingWidth = 3.9810717055349722;
