#pragma once

#include "sim/MicrophoneResponse.h"
#include "sim/Room.h"

#include <cstdint>
#include <functional>
#include <atomic>
#include <map>
#include <mutex>
#include <tuple>
#include <utility>
#include <vector>

namespace sim {

// How the simulated measurement microphone hears the room. The default
// levels are a real room's (test tone 85 dB SPL, background 30 dB SPL) as
// the program's own microphone (120 dB SPL at full scale) records them:
// the generated rooms' modes and reflections lift the sweep by 20 dB at
// most, so no take clips. CalibratedKnobs (MicrophoneScale.h) gives the
// levels and the response of a named microphone.
struct MicKnobs {
    double sweepPeakDbfs = -35;   // the test signal's level at a path gain of 1
    double noiseDbfs = -90;       // RMS of the background noise (-200: none)
    std::uint32_t noiseSeed = 7;
    double secondPeriodGain = 1;  // gain on take samples [period, 2 period)
    int quietWindowAt = -1;       // zero the 240 take samples ending here
    int takeFrames = 196608;      // a shorter take for the "short take" case
    int startPhase = 20000;       // where in the sweep period a take begins
    bool mute = false;            // the microphone hears nothing, not even noise
    // Whose frequency response colours the sound (Ideal: none).
    MicrophoneModel model = MicrophoneModel::Ideal;
};

// The measurement microphone at one listening position. It hears the
// processor's test signal (the repeating sweep) on whichever channel plays,
// through the room, plus background noise, as 48 kHz stereo 16-bit frames
// (the microphone on the left, the right silent).
class Microphone {
public:
    // `playing` says which channel's tone is on now (-1 or 8: none); the
    // simulated processor provides it. Null: channel 0 always plays.
    explicit Microphone(const Room& room, int periodSamples = 65536);

    void setToneSource(std::function<int()> playing);
    void setPosition(int position);
    int position() const;
    void setKnobs(const MicKnobs& knobs);
    MicKnobs knobs() const;

    // One take, as the recorder would get it, for the channel playing now.
    std::vector<std::int16_t> take();
    // The same for a given channel (-1: no tone).
    std::vector<std::int16_t> take(int channel, int position);

    // A continuous stream: `frames` stereo frames starting at absolute frame
    // `start` of the microphone's time line, for the channel playing now.
    void render(std::int64_t start, std::int16_t* stereo, int frames);

    // The steady-state signal of one sweep period through the room and the
    // microphone's response (full scale 1.0), before level, noise and
    // rounding.
    std::vector<double> periodThroughRoom(int channel, int position) const;
    int periodSamples() const { return period_; }

    // Samples that did not fit the 16-bit range and were clipped, in takes
    // and streams since construction or the last reset. A clipped take is
    // not the room's response.
    std::int64_t clippedSamples() const { return clipped_.load(); }
    void resetClippedSamples() { clipped_.store(0); }

private:
    using CacheKey = std::tuple<int, int, MicrophoneModel>;
    std::vector<double> periodThroughRoom(int channel, int position, MicrophoneModel model) const;
    std::int16_t sampleAt(const std::vector<double>& y, int channel, std::int64_t frame, const MicKnobs& k) const;
    const std::vector<double>& cached(int channel, int position, MicrophoneModel model) const;

    const Room& room_;
    int period_;
    mutable std::mutex mutex_;
    std::function<int()> playing_;
    int position_ = 0;
    MicKnobs knobs_;
    mutable std::map<CacheKey, std::vector<double>> cache_;
    mutable std::atomic<std::int64_t> clipped_{0};
    std::vector<double> sweepSpectrumRe_, sweepSpectrumIm_;
};

}  // namespace sim
