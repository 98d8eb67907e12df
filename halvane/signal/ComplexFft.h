#pragma once

namespace halvane::signal {

// In-place complex FFT on separate real and imaginary arrays: the split-radix
// decimation-in-frequency transform of Sorensen, Heideman and Burrus,
// followed by the bit-reversal reordering.
//
// Any direction other than -1 is the forward transform
// X[k] = sum x[m] e^(-2 pi i m k / n), unscaled. Direction -1 is the inverse:
// the conjugate transform scaled by 1/n, so forward then inverse returns the
// input. Returns 0 on success, -1 when n is below 2 or not a power of two
// (the arrays are untouched), 1 when the sine table cannot be allocated.
//
// Transforms may run on several threads at once: the shared tables are
// grown under a lock and never change while a transform reads them.
int ComplexFft(int direction, int n, double* re, double* im);

// Makes the process-wide sine table cover transforms of length n: one table
// of sin(2 pi k / N), k = 0 .. N/4, for the largest N asked for so far, read
// with stride N / n. Also makes n the current length of SineAt. Returns 0,
// or -1 when the table cannot be allocated (it is then empty).
int BuildSineTable(int n);

// sin(2 pi k / n) for the current transform length n, read from the sine
// table by quadrant folding; the cosine of the same angle is SineAt(k + n/4).
double SineAt(int k);

}  // namespace halvane::signal
