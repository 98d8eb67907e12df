#pragma once

#include <complex>

namespace halvane::signal {
class CCurve;
}

namespace halvane::design {

// One second-order model section,
//   H(z) = (1 + b1 z^-1 + b2 z^-2) / (1 + a1 z^-1 + a2 z^-2),
// at a sample rate. The targets build every model from such sections placed
// by pole-zero mapping.
struct SectionCoeffs {
    double b1 = 0.0;
    double b2 = 0.0;
    double a1 = 0.0;
    double a2 = 0.0;
    double sampleRate = 48000.0;

    // Where a section's zeros lie when they are not placed by frequency.
    enum class Zeros { AtDc, AtNyquist };

    // The pole-zero mapped pair (-2 r cos theta, r^2) for a resonance at f
    // Hz with quality q at rate fs: r = exp(-pi f / (q fs)),
    // theta = pi (f / fs) sqrt(4 - 1/q^2). q is at least 0.5.
    static void MappedPair(double f, double q, double fs, double& c1, double& c2);

    // Poles at (f, q); zeros at 0 Hz (numerator (-2, 1), a second-order
    // high-pass) or at Nyquist ((2, 1), a low-pass).
    static SectionCoeffs WithPoles(Zeros zeros, double f, double q, double fs);
    // Zeros at (zf, zq) and poles at (pf, pq), both pole-zero mapped.
    static SectionCoeffs ZerosAndPoles(double zf, double zq, double pf, double pq, double fs);

    // N / D at frequency f: x = -2 pi f / fs, N = 1 + b1 e^{jx} + b2 e^{j2x},
    // D alike with a1, a2.
    std::complex<double> Response(double f) const;
    // The same from the unit-circle points z1 = e^{jx} and z2 = e^{j2x}
    // (for a caller that evaluates many sections at one frequency).
    std::complex<double> ResponseAt(const std::complex<double>& z1, const std::complex<double>& z2) const {
        return (1.0 + b1 * z1 + b2 * z2) / (1.0 + a1 * z1 + a2 * z2);
    }
    // e^{jx}, x = -2 pi f / fs.
    static std::complex<double> UnitPoint(double f, double fs);
    double Magnitude(double f) const { return std::abs(Response(f)); }

    // Sets every value of `curve` to the response at its frequencies (real
    // and imaginary form); the axis stays.
    void Fill(signal::CCurve& curve) const;
};

}  // namespace halvane::design
