#pragma once

#include <complex>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace sim {

// One resonance of the room: a peaking section (RBJ form).
struct Resonance {
    double hz = 100;
    double q = 4;
    double gainDb = 6;
};

// A reflection arriving this many samples after the direct sound.
struct Reflection {
    int delaySamples = 480;
    double gain = 0.2;
};

// What a loudspeaker's sound goes through before it reaches one listening
// position: a roll-off, resonances, a few reflections and the travel time.
struct SpeakerPath {
    int delaySamples = 240;  // direct sound's arrival
    double gain = 1.0;
    double highPassHz = 60;  // second-order Butterworth; 0 for none
    double lowPassHz = 0;    // second-order Butterworth (a subwoofer's); 0 for none
    std::vector<Resonance> resonances;
    std::vector<Reflection> reflections;
};

// A simulated listening room: a path for every channel (0-7, 7 the
// subwoofer) and listening position. Unless set, paths are made from the
// seed, the same on every run and machine.
class Room {
public:
    explicit Room(std::uint32_t seed = 1, int rate = 48000);

    int rate() const { return rate_; }
    SpeakerPath path(int channel, int position) const;
    void setPath(int channel, int position, SpeakerPath path);

    // The path's impulse response, `length` samples (the tail beyond is cut).
    std::vector<double> impulseResponse(int channel, int position, int length) const;
    // The path's transfer function at a frequency, computed from its
    // sections directly (not from the impulse response).
    std::complex<double> response(int channel, int position, double hz) const;

private:
    SpeakerPath generated(int channel, int position) const;

    std::uint32_t seed_;
    int rate_;
    std::map<std::pair<int, int>, SpeakerPath> paths_;
};

}  // namespace sim
