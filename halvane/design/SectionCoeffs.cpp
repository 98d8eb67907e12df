#include "halvane/design/SectionCoeffs.h"

#include <cmath>
#include <numbers>

#include "halvane/signal/CCurve.h"
#include "halvane/signal/Parallel.h"

namespace halvane::design {

void SectionCoeffs::MappedPair(double f, double q, double fs, double& c1, double& c2) {
    const double r = std::exp(-std::numbers::pi * f / (q * fs));
    const double theta = std::numbers::pi * (f / fs) * std::sqrt(4.0 - 1.0 / (q * q));
    c1 = -2.0 * r * std::cos(theta);
    c2 = r * r;
}

SectionCoeffs SectionCoeffs::WithPoles(Zeros zeros, double f, double q, double fs) {
    SectionCoeffs s;
    s.sampleRate = fs;
    s.b1 = zeros == Zeros::AtDc ? -2.0 : 2.0;
    s.b2 = 1.0;
    MappedPair(f, q, fs, s.a1, s.a2);
    return s;
}

SectionCoeffs SectionCoeffs::ZerosAndPoles(double zf, double zq, double pf, double pq, double fs) {
    SectionCoeffs s;
    s.sampleRate = fs;
    MappedPair(zf, zq, fs, s.b1, s.b2);
    MappedPair(pf, pq, fs, s.a1, s.a2);
    return s;
}

std::complex<double> SectionCoeffs::UnitPoint(double f, double fs) {
    const double x = -2.0 * std::numbers::pi * f / fs;
    return {std::cos(x), std::sin(x)};
}

std::complex<double> SectionCoeffs::Response(double f) const {
    const double x = -2.0 * std::numbers::pi * f / sampleRate;
    const std::complex<double> z1(std::cos(x), std::sin(x));
    const std::complex<double> z2(std::cos(2.0 * x), std::sin(2.0 * x));
    return ResponseAt(z1, z2);
}

void SectionCoeffs::Fill(signal::CCurve& curve) const {
    curve.Values().SetForm(signal::CComplexVector::Cartesian);
    const int n = curve.Count();
    const double* x = curve.X();
    double* re = curve.A();
    double* im = curve.B();
    HALVANE_PARALLEL_FOR(n)
    for (int i = 0; i < n; ++i) {
        const std::complex<double> h = Response(x[i]);
        re[i] = h.real();
        im[i] = h.imag();
    }
}

}  // namespace halvane::design
