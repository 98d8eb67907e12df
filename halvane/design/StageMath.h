#pragma once

#include <cstdint>

// The root-level tools of the cascade fitter and the rate conversion. A
// pair (c1, c2) stands for the quadratic 1 + c1 z^-1 + c2 z^-2.
namespace halvane::design::stage_math {

// A quadratic x + y z^-1 + z z^-2 with a root on or outside the unit circle
// gets that root reflected inside (complex pairs as a pair); the magnitude
// response keeps its shape and is divided by *scale (the product of the
// reflected roots' moduli). A root exactly on the circle is pulled just
// inside. Reports whether anything changed; *scale is 1 then.
bool StabilizeSection(double& x, double& y, double& z, double* scale = nullptr);

// True when 1 + a1 z^-1 + a2 z^-2 has both roots strictly inside the unit
// circle.
bool IsStable(double a1, double a2);

// Resonance of a complex pair: its frequency in Hz at `rate` and its Q
// (infinite on or beyond the unit circle). False for real roots.
bool PairResonance(double c1, double c2, double rate, double& frequencyHz, double& q);

// The Q a resonance at f Hz may have with limit qMax: qMax / 8 below 10 Hz,
// qMax f / 80 up to 80 Hz, qMax above.
double AllowedQ(double frequencyHz, double qMax);

// Lowers the Q of a complex pair to AllowedQ at the same angle; reports
// whether it changed the pair.
bool LimitPairQ(double& c1, double& c2, double rate, double qMax);

// The pole-zero mapped pair for a resonance at w0 radians per sample with
// quality q: r = exp(-w0 / (2 q)), theta = sqrt(4 - 1/q^2) w0 / 2.
void PlacedPair(double w0, double q, double& c1, double& c2);

// The pole radius that orders the stages: sqrt(c2) for complex roots, the
// larger root's modulus for real ones.
double PoleRadius(double c1, double c2);

}  // namespace halvane::design::stage_math
