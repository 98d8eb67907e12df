#include "sim/Microphone.h"

#include "sim/SimFft.h"
#include "sim/SweepSignal.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace sim {

namespace {

// A well-mixed 64-bit hash (splitmix64) so each frame's noise depends only on
// the seed and the frame: the same take comes out every time.
std::uint64_t mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

double gaussian(std::uint64_t key) {
    const double u1 = (static_cast<double>(mix(key) >> 11) + 0.5) / 9007199254740992.0;
    const double u2 = (static_cast<double>(mix(key ^ 0xA5A5A5A5A5A5A5A5ull) >> 11) + 0.5) / 9007199254740992.0;
    return std::sqrt(-2 * std::log(u1)) * std::cos(2 * std::numbers::pi * u2);
}

}  // namespace

Microphone::Microphone(const Room& room, int periodSamples) : room_(room), period_(periodSamples) {}

void Microphone::setToneSource(std::function<int()> playing) {
    std::lock_guard lock(mutex_);
    playing_ = std::move(playing);
}

void Microphone::setPosition(int position) {
    std::lock_guard lock(mutex_);
    position_ = position;
}

int Microphone::position() const {
    std::lock_guard lock(mutex_);
    return position_;
}

void Microphone::setKnobs(const MicKnobs& knobs) {
    std::lock_guard lock(mutex_);
    knobs_ = knobs;
}

MicKnobs Microphone::knobs() const {
    std::lock_guard lock(mutex_);
    return knobs_;
}

std::vector<double> Microphone::periodThroughRoom(int channel, int position) const {
    MicrophoneModel model;
    {
        std::lock_guard lock(mutex_);
        model = knobs_.model;
    }
    return periodThroughRoom(channel, position, model);
}

std::vector<double> Microphone::periodThroughRoom(int channel, int position, MicrophoneModel model) const {
    // Periodic input, so the steady state is the circular convolution of one
    // period with the room's impulse response and the microphone's.
    const auto x = SweepPeriod(period_, room_.rate());
    const auto h = room_.impulseResponse(channel, position, period_);
    std::vector<std::complex<double>> X(x.begin(), x.end()), H(h.begin(), h.end());
    SimFft(X, false);
    SimFft(H, false);
    for (std::size_t i = 0; i < X.size(); ++i) X[i] *= H[i];
    if (model != MicrophoneModel::Ideal) {
        const auto m = MicrophoneResponseBins(model, period_, room_.rate());
        for (std::size_t i = 0; i < X.size(); ++i) X[i] *= m[i];
    }
    SimFft(X, true);
    std::vector<double> y(X.size());
    for (std::size_t i = 0; i < y.size(); ++i) y[i] = X[i].real();
    return y;
}

const std::vector<double>& Microphone::cached(int channel, int position, MicrophoneModel model) const {
    const CacheKey key{channel, position, model};
    auto it = cache_.find(key);
    if (it == cache_.end()) it = cache_.emplace(key, periodThroughRoom(channel, position, model)).first;
    return it->second;
}

std::int16_t Microphone::sampleAt(const std::vector<double>& y, int channel, std::int64_t frame, const MicKnobs& k) const {
    if (k.mute) return 0;
    double v = 0;
    if (channel >= 0 && channel < 8 && !y.empty()) {
        const std::int64_t i = ((frame + k.startPhase) % period_ + period_) % period_;
        v = y[static_cast<std::size_t>(i)] * std::pow(10.0, k.sweepPeakDbfs / 20.0);
    }
    if (k.noiseDbfs > -200)
        v += std::pow(10.0, k.noiseDbfs / 20.0) *
             gaussian((static_cast<std::uint64_t>(k.noiseSeed) << 40) ^ static_cast<std::uint64_t>(frame));
    const double s = std::round(v * 32768.0);
    if (s < -32768.0 || s > 32767.0) clipped_.fetch_add(1);
    return static_cast<std::int16_t>(std::clamp(s, -32768.0, 32767.0));
}

std::vector<std::int16_t> Microphone::take() {
    std::function<int()> playing;
    int position = 0;
    {
        std::lock_guard lock(mutex_);
        playing = playing_;
        position = position_;
    }
    return take(playing ? playing() : 0, position);
}

std::vector<std::int16_t> Microphone::take(int channel, int position) {
    std::lock_guard lock(mutex_);
    const MicKnobs k = knobs_;
    const int frames = std::max(0, k.takeFrames);
    std::vector<std::int16_t> out(static_cast<std::size_t>(frames) * 2, 0);
    static const std::vector<double> none;
    const auto& y = (channel >= 0 && channel < 8) ? cached(channel, position, k.model) : none;
    for (int f = 0; f < frames; ++f) {
        double gain = (f >= period_ && f < 2 * period_) ? k.secondPeriodGain : 1.0;
        std::int16_t s = sampleAt(y, channel, f, k);
        if (gain != 1.0) {
            const double scaled = std::round(s * gain);
            if (scaled < -32768.0 || scaled > 32767.0) clipped_.fetch_add(1);
            s = static_cast<std::int16_t>(std::clamp(scaled, -32768.0, 32767.0));
        }
        if (k.quietWindowAt >= 0 && f > k.quietWindowAt - 240 && f <= k.quietWindowAt) s = 0;
        out[static_cast<std::size_t>(f) * 2] = s;
    }
    return out;
}

void Microphone::render(std::int64_t start, std::int16_t* stereo, int frames) {
    std::function<int()> playing;
    {
        std::lock_guard lock(mutex_);
        playing = playing_;
    }
    // Asked outside the lock: the tone source belongs to the processor.
    const int channel = playing ? playing() : 0;
    std::lock_guard lock(mutex_);
    const MicKnobs k = knobs_;
    static const std::vector<double> none;
    const auto& y = (channel >= 0 && channel < 8) ? cached(channel, position_, k.model) : none;
    for (int f = 0; f < frames; ++f) {
        stereo[2 * f] = sampleAt(y, channel, start + f, k);
        stereo[2 * f + 1] = 0;
    }
}

}  // namespace sim
