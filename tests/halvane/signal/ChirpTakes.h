#pragma once

#include <cmath>
#include <numbers>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "halvane/signal/CCurve.h"
#include "halvane/signal/CCurveWriter.h"
#include "sim/SweepSignal.h"

// Takes for the chirp-processing tests, built independently of the code
// under test: the sweep comes from the simulator's own formula.
namespace chirptakes {

struct Biquad {
    double b0, b1, b2, a1, a2;
};

// The processor's repeating sweep in steady state through a biquad: the
// filter runs from rest over several periods (its transient dies within one)
// and the last period is kept. The take of `count` samples starts `phase`
// samples into a period; seeded Gaussian noise of RMS `noise` is added.
inline std::vector<double> ThroughBiquad(const Biquad& q, int count, int phase, double noise,
                                         std::uint32_t seed = 11, int period = 65536) {
    const std::vector<double> x = sim::SweepPeriod(period, 48000);
    std::vector<double> y(x.size());
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (int pass = 0; pass < 4; ++pass) {
        for (std::size_t i = 0; i < x.size(); ++i) {
            const double v = q.b0 * x[i] + q.b1 * x1 + q.b2 * x2 - q.a1 * y1 - q.a2 * y2;
            x2 = x1;
            x1 = x[i];
            y2 = y1;
            y1 = v;
            y[i] = v;
        }
    }
    std::mt19937 g(seed);
    auto uniform = [&] { return (g() + 0.5) / 4294967296.0; };
    std::vector<double> take(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const double gauss = std::sqrt(-2 * std::log(uniform())) * std::cos(2 * std::numbers::pi * uniform());
        take[static_cast<std::size_t>(i)] = y[static_cast<std::size_t>((i + phase) % period)] + noise * gauss;
    }
    return take;
}

// The recorder's conversion of a 16-bit stereo take: the first channel of
// each frame over 32767.
inline std::vector<double> ToDoubles(const std::vector<std::int16_t>& stereo) {
    std::vector<double> out(stereo.size() / 2);
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = stereo[2 * i] / 32767.0;
    return out;
}

// Remembers which curves were handed over, and by which operation.
class RecordingWriter : public halvane::signal::CCurveWriter {
public:
    void WriteCurve(const halvane::signal::CCurve& curve) override { names.push_back(curve.Name()); counts.push_back(curve.Count()); }
    void WriteCurve(const halvane::signal::CCurve& curve, const std::string& name) override {
        names.push_back("+" + name);
        counts.push_back(curve.Count());
    }
    std::vector<std::string> names;  // "+name" for the second operation
    std::vector<int> counts;
};

}  // namespace chirptakes
