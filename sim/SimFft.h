#pragma once

#include <complex>
#include <vector>

namespace sim {

// A plain radix-2 FFT for the simulator's own use. It is deliberately not the
// program's FFT, so a simulated room cannot share a fault with the code it
// tests. Size must be a power of two; inverse includes the 1/n scale.
void SimFft(std::vector<std::complex<double>>& data, bool inverse);

}  // namespace sim
