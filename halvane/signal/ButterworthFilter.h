#pragma once

namespace halvane::signal {

// The coefficients of the second-order Butterworth high-pass: the analogue
// poles (damping 1/sqrt 2) mapped to z, a double zero at 0 Hz and unit gain
// at half the sample rate. Difference equation
// y[m] = b0 x[m] + b1 x[m-1] + b2 x[m-2] - a1 y[m-1] - a2 y[m-2].
struct ButterworthHighPass {
    double b0, b1, b2, a1, a2;
};

ButterworthHighPass DesignButterworthHighPass(int rate, double fc);

// Runs the high-pass over the buffer in steady state, treating it as one
// period of a periodic signal: a first pass from rest sets the state and is
// discarded, the second continues from it and writes over the samples.
void ButterworthFilter(double* samples, int count, int rate, double fc);

}  // namespace halvane::signal
