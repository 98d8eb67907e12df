#pragma once

#include <vector>

namespace sim {

// The processor's measurement test signal: one period of the exponential
// sine sweep sin(2π f1 (e^(K t) - 1) / K), f1 = 17 R / N, f2 = 31569 R / N,
// K = ln(f2 / f1) / (N / R). The processor repeats it without a gap.
std::vector<double> SweepPeriod(int samples = 65536, int rate = 48000);

}  // namespace sim
