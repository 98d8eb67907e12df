#pragma once

#include <cmath>
#include <functional>
#include <memory>
#include <random>

#include "halvane/design/SectionCoeffs.h"
#include "halvane/signal/CCurve.h"
#include "halvane/signal/CCurveSet.h"

// Analytic measured curves on the measurement grid (25 points per octave
// from 5 Hz to 24 kHz, dB form): main speakers with a Butterworth high-pass,
// a subwoofer with a fourth-order low-pass and a low-frequency extension,
// room modes as smooth bumps, and ripple from a fixed seed.
namespace synthetic {

using Level = std::function<double(double)>;

inline std::unique_ptr<halvane::signal::CCurve> Curve(const Level& level) {
    std::vector<double> x;
    for (int k = 0; 5.0 * std::exp2(k / 25.0) <= 24000.0; ++k) x.push_back(5.0 * std::exp2(k / 25.0));
    auto c = std::make_unique<halvane::signal::CCurve>(static_cast<int>(x.size()), halvane::signal::CIndexVector::Frequency, halvane::signal::CComplexVector::Decibel);
    for (std::size_t i = 0; i < x.size(); ++i) {
        c->X()[i] = x[i];
        c->A()[i] = level(x[i]);
        c->B()[i] = 0.0;
    }
    return c;
}

// Butterworth magnitudes in dB.
inline double HighPassDb(double f, double fc, int order) {
    return -10.0 * std::log10(1.0 + std::pow(fc / f, 2 * order));
}
inline double LowPassDb(double f, double fc, int order) {
    return -10.0 * std::log10(1.0 + std::pow(f / fc, 2 * order));
}
// A room mode: `db` at f0, falling off over about `octaves` either side.
inline double ModeDb(double f, double f0, double db, double octaves) {
    const double o = std::log2(f / f0) / octaves;
    return db * std::exp(-o * o);
}
// The bass shelf of the targets, lifting the lows by 40 log10 v dB,
// 0 dB at half the rate.
inline double ShelfDb(double f, double v, double fs) {
    const double root = std::sqrt(v);
    const double q = 0.70710678118654752;
    const halvane::design::SectionCoeffs s = halvane::design::SectionCoeffs::ZerosAndPoles(200.0 * root, q, 200.0 / root, q, fs);
    return 20.0 * std::log10(s.Magnitude(f) / s.Magnitude(fs / 2.0));
}

// A main speaker: `level` dB, a high-pass of `order` at `fc`, ripple of
// +-`ripple` dB (smooth, from `seed`).
inline Level Speaker(double level, double fc, int order = 2, double ripple = 0.0, unsigned seed = 1) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> phase(0.0, 6.283185307179586);
    const double p1 = phase(rng), p2 = phase(rng), p3 = phase(rng);
    return [=](double f) {
        const double o = std::log2(f);
        const double r =
            ripple * (0.5 * std::sin(7.0 * o + p1) + 0.3 * std::sin(13.0 * o + p2) + 0.2 * std::sin(29.0 * o + p3));
        return level + HighPassDb(f, fc, order) + r;
    };
}

// A subwoofer: fourth-order low-pass at `fc`, second-order extension
// high-pass at `ext`.
inline Level Subwoofer(double level, double fc, double ext = 22.0) {
    return [=](double f) { return level + LowPassDb(f, fc, 4) + HighPassDb(f, ext, 2); };
}

inline Level Plus(Level a, Level b) {
    return [=](double f) { return a(f) + b(f); };
}

// Flat at `level` dB everywhere.
inline Level Flat(double level) {
    return [=](double) { return level; };
}

// A set of the given channels.
inline void Put(halvane::signal::CCurveSet& set, int ch, const Level& level) { set.Add(ch, Curve(level)); }

}  // namespace synthetic
