#pragma once

// The rotations that line a recording or an impulse up on its quietest or
// loudest stretch. Each works on an array of n doubles with a window of W
// samples: the energy of the window ending at k is the sum of (x[j] - m)^2
// over j = k - W + 1 .. k taken circularly (m the mean of the array), for
// k = 0 .. n - 1; the first k with the extreme energy wins. The array is
// rotated left by the returned shift s, in [0, n), so that x[s] comes first.
// A second array (the imaginary part of a curve) may be rotated by the same
// shift. Arrays of n < 1 or windows W < 1 are left alone (shift 0).
namespace halvane::signal::AudioSampler {

// s = (k* - W) mod n with k* the window of the largest energy.
int RotateToLoudestWindow(double* x, int n, int w, double* companion = nullptr);
// s = (k* - W) mod n with k* the window of the smallest energy.
int RotateToQuietestWindow(double* x, int n, int w, double* companion = nullptr);
// s = (k* - W - W2) mod n with k* the loudest window, so W2 samples of
// pre-roll come before it.
int RotateWithPreroll(double* x, int n, int w, int w2, double* companion = nullptr);

// The window search alone: k*, the end of the loudest (or quietest) window.
int LoudestWindowEnd(const double* x, int n, int w);
int QuietestWindowEnd(const double* x, int n, int w);

// Rotates left by s (taken mod n into [0, n)).
void RotateLeft(double* x, int n, long long s);

}  // namespace halvane::signal::AudioSampler
