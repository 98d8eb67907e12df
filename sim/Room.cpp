#include "sim/Room.h"

#include <array>
#include <cmath>
#include <numbers>
#include <random>

namespace sim {

namespace {

using std::numbers::pi;

struct Section {
    double b0, b1, b2, a1, a2;  // a0 = 1
};

Section peaking(double hz, double q, double gainDb, double rate) {
    const double a = std::pow(10.0, gainDb / 40.0);
    const double w = 2 * pi * hz / rate;
    const double alpha = std::sin(w) / (2 * q);
    const double a0 = 1 + alpha / a;
    return {(1 + alpha * a) / a0, -2 * std::cos(w) / a0, (1 - alpha * a) / a0, -2 * std::cos(w) / a0,
            (1 - alpha / a) / a0};
}

Section butterworth(double hz, bool highPass, double rate) {
    const double w = 2 * pi * hz / rate;
    const double alpha = std::sin(w) / (2 * std::numbers::sqrt2 / 2);  // Q = 1/sqrt(2)
    const double c = std::cos(w);
    const double a0 = 1 + alpha;
    if (highPass) return {(1 + c) / 2 / a0, -(1 + c) / a0, (1 + c) / 2 / a0, -2 * c / a0, (1 - alpha) / a0};
    return {(1 - c) / 2 / a0, (1 - c) / a0, (1 - c) / 2 / a0, -2 * c / a0, (1 - alpha) / a0};
}

std::vector<Section> sectionsOf(const SpeakerPath& p, double rate) {
    std::vector<Section> s;
    if (p.highPassHz > 0) s.push_back(butterworth(p.highPassHz, true, rate));
    if (p.lowPassHz > 0) s.push_back(butterworth(p.lowPassHz, false, rate));
    for (const auto& r : p.resonances) s.push_back(peaking(r.hz, r.q, r.gainDb, rate));
    return s;
}

// Uniform in [lo, hi) from the generator's raw output, so the numbers do not
// depend on the standard library's distributions.
double uniform(std::mt19937& g, double lo, double hi) { return lo + (hi - lo) * (g() / 4294967296.0); }

}  // namespace

Room::Room(std::uint32_t seed, int rate) : seed_(seed), rate_(rate) {}

void Room::setPath(int channel, int position, SpeakerPath path) { paths_[{channel, position}] = std::move(path); }

SpeakerPath Room::path(int channel, int position) const {
    const auto it = paths_.find({channel, position});
    return it != paths_.end() ? it->second : generated(channel, position);
}

SpeakerPath Room::generated(int channel, int position) const {
    std::mt19937 g(seed_ * 7919u + static_cast<std::uint32_t>(channel) * 104729u +
                   static_cast<std::uint32_t>(position) * 1299709u + 17u);
    SpeakerPath p;
    p.delaySamples = static_cast<int>(uniform(g, 0.003, 0.012) * rate_);
    p.gain = uniform(g, 0.5, 1.0);
    const bool sub = channel == 7;
    if (sub) {
        p.highPassHz = uniform(g, 18, 25);
        p.lowPassHz = uniform(g, 90, 140);
    } else {
        p.highPassHz = uniform(g, 45, 90);
    }
    const int modes = 2 + static_cast<int>(g() % 2);
    for (int i = 0; i < modes; ++i)
        p.resonances.push_back({uniform(g, sub ? 30 : 60, sub ? 120 : 400), uniform(g, 2, 8), uniform(g, -4, 9)});
    p.resonances.push_back({uniform(g, 2000, 8000), 1.0, uniform(g, -2, 2)});  // a gentle ripple higher up
    for (int i = 0; i < 2; ++i)
        p.reflections.push_back({static_cast<int>(uniform(g, 0.002, 0.02) * rate_), uniform(g, -0.3, 0.3)});
    return p;
}

std::vector<double> Room::impulseResponse(int channel, int position, int length) const {
    std::vector<double> h(static_cast<std::size_t>(length > 0 ? length : 0), 0.0);
    if (length <= 0) return h;
    const SpeakerPath p = path(channel, position);
    // The sections' own impulse response...
    std::vector<double> s(h.size(), 0.0);
    s[0] = 1.0;
    for (const Section& q : sectionsOf(p, rate_)) {
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        for (double& v : s) {
            const double x = v;
            const double y = q.b0 * x + q.b1 * x1 + q.b2 * x2 - q.a1 * y1 - q.a2 * y2;
            x2 = x1;
            x1 = x;
            y2 = y1;
            y1 = y;
            v = y;
        }
    }
    // ...arriving directly and as reflections.
    auto add = [&](int delay, double gain) {
        for (std::size_t i = 0; i + static_cast<std::size_t>(delay) < h.size(); ++i)
            h[i + static_cast<std::size_t>(delay)] += gain * s[i];
    };
    add(p.delaySamples, p.gain);
    for (const auto& r : p.reflections) add(p.delaySamples + r.delaySamples, p.gain * r.gain);
    return h;
}

std::complex<double> Room::response(int channel, int position, double hz) const {
    const SpeakerPath p = path(channel, position);
    const double w = 2 * pi * hz / rate_;
    const std::complex<double> z1 = std::polar(1.0, -w);
    const std::complex<double> z2 = z1 * z1;
    std::complex<double> h = 1.0;
    for (const Section& q : sectionsOf(p, rate_)) h *= (q.b0 + q.b1 * z1 + q.b2 * z2) / (1.0 + q.a1 * z1 + q.a2 * z2);
    std::complex<double> arrivals = p.gain * std::polar(1.0, -w * p.delaySamples);
    for (const auto& r : p.reflections) arrivals += p.gain * r.gain * std::polar(1.0, -w * (p.delaySamples + r.delaySamples));
    return h * arrivals;
}

}  // namespace sim
