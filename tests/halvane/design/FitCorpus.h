#pragma once

// Synthetic channels for the cascade fitter: measured and target curves on
// the measurement's grid (25 points per octave from 5 Hz to 24 kHz), built
// from closed-form responses so the expected corrections are known.
//   recoverable: measured = target / (a known chain of placed stages), so
//                the fit can make the corrected response exact;
//   room-like:   speakers and subwoofers with a high-pass, room modes and
//                ripple, against speaker- and subwoofer-like targets;
//   pathological: a 20 dB notch, a flat response, a single point, a target
//                below the measurement everywhere, a zero point in band.
#include <cmath>
#include <complex>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "halvane/design/StageMath.h"
#include "halvane/signal/CCurve.h"

namespace fitcorpus {

constexpr double kPi = std::numbers::pi;

inline std::vector<double> Grid() {
    std::vector<double> f;
    for (int k = 0;; ++k) {
        const double v = 5.0 * std::exp2(k / 25.0);
        if (v > 24000.0) break;
        f.push_back(v);
    }
    return f;
}

inline halvane::signal::CCurve Curve(const std::vector<double>& f, const std::function<double(double)>& magnitude) {
    halvane::signal::CCurve c(static_cast<int>(f.size()), 0, 1);
    for (std::size_t i = 0; i < f.size(); ++i) {
        c.X()[i] = f[i];
        c.A()[i] = magnitude(f[i]);
        c.B()[i] = 0.0;
    }
    return c;
}

// A peaking stage as the fitter places one: poles and zeros at f0, the gain
// at f0 the ratio of their Qs.
struct Peak {
    double f0;
    double q;
    double db;
};

inline double PlacedPeakMagnitude(const Peak& p, double f, double rate) {
    const double v = std::pow(10.0, p.db / 20.0);
    const double qp = v >= 1.0 ? p.q : p.q * v;
    const double qz = v >= 1.0 ? p.q / v : p.q;
    const double w0 = 2.0 * kPi * p.f0 / rate;
    double b1, b2, a1, a2;
    halvane::design::stage_math::PlacedPair(w0, qz, b1, b2);
    halvane::design::stage_math::PlacedPair(w0, qp, a1, a2);
    const std::complex<double> z1 = std::polar(1.0, -2.0 * kPi * f / rate);
    return std::abs((1.0 + b1 * z1 + b2 * z1 * z1) / (1.0 + a1 * z1 + a2 * z1 * z1));
}

// Analog responses (rate-free, as a room is).
inline double AnalogPeak(const Peak& p, double f) {
    const double v = std::pow(10.0, p.db / 20.0);
    const double x = f / p.f0;
    const double re = 1.0 - x * x;
    const double qz = v >= 1.0 ? p.q / v : p.q;
    const double qp = v >= 1.0 ? p.q : p.q * v;
    return std::hypot(re, x / qz) / std::hypot(re, x / qp);
}
inline double HighPass2(double f, double fc, double q) {
    const double x = f / fc;
    return x * x / std::hypot(1.0 - x * x, x / q);
}
inline double LowPass2(double f, double fc, double q) {
    const double x = f / fc;
    return 1.0 / std::hypot(1.0 - x * x, x / q);
}
// A fixed ripple of about +-amp dB above `from` Hz (sum of slow sines in log f).
inline double Ripple(double f, double from, double amp) {
    if (f < from) return 1.0;
    const double l = std::log2(f / from);
    const double db = amp * (0.6 * std::sin(5.1 * l) + 0.3 * std::sin(11.7 * l + 1.0) + 0.1 * std::sin(23.3 * l + 2.0));
    return std::pow(10.0, db / 20.0);
}

struct Case {
    std::string name;
    int rate = 96000;
    halvane::signal::CCurve measured;
    halvane::signal::CCurve target;
    double lower = 30.0;
    double upper = 16000.0;
    double level = 0.0;
    bool subwoofer = false;
    int stages = 10;
};

// The speaker-like target: a high-pass at the crossover.
inline double SpeakerTarget(double f) { return HighPass2(f, 80.0, 1.0 / std::numbers::sqrt2); }
// The subwoofer-like target: a fourth-order low-pass at 80 Hz over a 20 Hz high-pass.
inline double SubwooferTarget(double f) {
    const double lp = LowPass2(f, 80.0, 1.0 / std::numbers::sqrt2);
    return lp * lp * HighPass2(f, 20.0, 1.0 / std::numbers::sqrt2);
}

inline Case Recoverable(const std::string& name, int rate, const std::vector<Peak>& chain, double lower, double upper,
                        double level = 0.0) {
    const auto f = Grid();
    Case c;
    c.name = name;
    c.rate = rate;
    c.lower = lower;
    c.upper = upper;
    c.level = level;
    c.target = Curve(f, SpeakerTarget);
    c.measured = Curve(f, [&](double x) {
        double h = 1.0;
        for (const Peak& p : chain) h *= PlacedPeakMagnitude(p, x, rate);
        return SpeakerTarget(x) * std::pow(10.0, level / 20.0) / h;
    });
    return c;
}

inline std::vector<Case> RecoverableCases(int rate) {
    return {
        Recoverable("three stages", rate, {{60, 4, 6}, {300, 2, -4}, {2000, 1, 3}}, 30, 16000),
        Recoverable("two cuts", rate, {{110, 6, -8}, {900, 3, -5}}, 30, 16000),
        Recoverable("four stages", rate, {{45, 3, 5}, {180, 5, -6}, {700, 2, 4}, {4000, 2, -3}}, 30, 16000),
        Recoverable("level and boost", rate, {{250, 4, 9}, {1500, 2, -2}}, 30, 16000, -3.0),
    };
}

inline Case Speaker(const std::string& name, int rate, double hp, const std::vector<Peak>& modes, double ripple,
                    double upper) {
    const auto f = Grid();
    Case c;
    c.name = name;
    c.rate = rate;
    c.lower = 26.667;
    c.upper = upper;
    c.target = Curve(f, SpeakerTarget);
    c.measured = Curve(f, [&](double x) {
        double h = HighPass2(x, hp, 0.8) * Ripple(x, 400.0, ripple) * LowPass2(x, 21000.0, 0.7);
        for (const Peak& p : modes) h *= AnalogPeak(p, x);
        return h;
    });
    return c;
}

inline Case Subwoofer(const std::string& name, int rate, const std::vector<Peak>& modes) {
    const auto f = Grid();
    Case c;
    c.name = name;
    c.rate = rate;
    c.lower = 21.2132;
    c.upper = 240.0;
    c.subwoofer = true;
    c.target = Curve(f, SubwooferTarget);
    c.measured = Curve(f, [&](double x) {
        const double lp = LowPass2(x, 120.0, 0.7);
        double h = lp * lp * HighPass2(x, 24.0, 0.9);
        for (const Peak& p : modes) h *= AnalogPeak(p, x);
        return h;
    });
    return c;
}

inline std::vector<Case> RoomCases(int rate) {
    return {
        Speaker("front speaker", rate, 55.0, {{48, 6, 8}, {125, 4, -6}, {230, 3, 4}}, 1.5, 20000.0),
        Speaker("surround, EQ to 5 kHz", rate, 90.0, {{70, 5, 6}, {160, 8, -9}, {410, 4, 3}}, 2.0, 5000.0),
        Speaker("centre, mild room", rate, 70.0, {{95, 3, 3}, {600, 2, -2}}, 1.0, 20000.0),
        Subwoofer("subwoofer", rate, {{32, 8, 10}, {55, 5, -8}, {86, 6, 6}}),
        Subwoofer("subwoofer, deep cut", rate, {{42, 10, 12}, {68, 4, -5}}),
    };
}

inline std::vector<Case> PathologicalCases(int rate) {
    const auto f = Grid();
    std::vector<Case> cases;
    {
        Case c = Speaker("20 dB notch at 45 Hz", rate, 30.0, {{45, 6, -20}}, 0.0, 20000.0);
        cases.push_back(std::move(c));
    }
    {
        Case c;
        c.name = "flat";
        c.rate = rate;
        c.target = Curve(f, [](double) { return 1.0; });
        c.measured = Curve(f, [](double) { return 1.0; });
        cases.push_back(std::move(c));
    }
    {
        Case c;
        c.name = "single point";
        c.rate = rate;
        c.target = Curve({1000.0}, [](double) { return 1.0; });
        c.measured = Curve({1000.0}, [](double) { return 0.5; });
        cases.push_back(std::move(c));
    }
    {
        Case c;
        c.name = "target below the measurement";
        c.rate = rate;
        c.target = Curve(f, [](double x) { return 0.01 * SpeakerTarget(x); });
        c.measured = Curve(f, [](double x) { return 3.0 * Ripple(x, 20.0, 4.0); });
        cases.push_back(std::move(c));
    }
    {
        // A dead point (the microphone's dropout): a zero magnitude in band.
        Case c = Speaker("a zero point in band", rate, 55.0, {{125, 4, -6}}, 1.0, 20000.0);
        c.measured.A()[150] = 0.0;
        cases.push_back(std::move(c));
    }
    return cases;
}

}  // namespace fitcorpus
