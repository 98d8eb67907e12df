#pragma once

namespace halvane::design {

// Re-maps c0 + c1 z^-1 + c2 z^-2 (a stage's numerator or denominator) from
// oldRate to newRate in place, root by root: a complex pair keeps its
// resonance frequency and Q, a real root follows the bilinear frequency
// map. Returns the ratio of the polynomial's values at 0 Hz before and
// after (1 when either is 0). Zero roots and real roots of modulus at most
// e^-pi (beyond the old rate's Nyquist frequency) stay where they are; a
// polynomial with c0 = 0 is left alone.
double ConvertQuadraticRate(double oldRate, double newRate, double& c0, double& c1, double& c2);

}  // namespace halvane::design
