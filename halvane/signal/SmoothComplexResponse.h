#pragma once

#include <vector>

namespace halvane::signal {

// The output grid of SmoothComplexResponse for a response on the ascending
// axis x[0..n-1] (n >= 2): the input axis for perOctave 0, the 31
// third-octave frequencies 20 Hz .. 20 kHz for perOctave < 0, and for
// perOctave > 0 a logarithmic grid of perOctave points per octave from
// max(fLow, x[1]) up to min(fHigh, x[n-1]), never above x[n-1].
std::vector<double> SmoothingGrid(const double* x, int n, int perOctave, double fLow, double fHigh);

// Smooths the complex response (re, im) on the axis x, as power and phase,
// and resamples it onto the grid above. With perOctave 0 the result is
// written back into re and im; otherwise re, im and x are replaced by the
// new real part, imaginary part and frequencies. `fraction` is the
// smoothing width in octaves (a negative one selects ERB smoothing) and
// `wide` the band-pass kernel; see SmoothingKernel.
//
// Returns the output count; -101 when a work array cannot be allocated
// (the three vectors are untouched then); -1 when n < 3 or a vector is
// shorter than n (untouched as well).
int SmoothComplexResponse(int n, std::vector<double>& re, std::vector<double>& im, std::vector<double>& x,
                          bool wide, double fraction, int perOctave, double fLow, double fHigh);

}  // namespace halvane::signal
