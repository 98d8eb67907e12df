#pragma once

#include <array>
#include <complex>
#include <string>
#include <vector>

namespace sim {

// The measurement microphone the simulated microphone stands for. A real
// microphone colours what it hears; the program's calibration of that
// microphone (its built-in correction) takes the colour out again.
enum class MicrophoneModel {
    Ideal,         // flat: the room's response exactly (tests of the processing itself)
    TessikQex1,    // the program's own microphone
    FenwardeJom1,
};

// The model a capture device's name holds: "JOM-1" the Fenwarde JOM-1, any
// other name the Tessik QEX-1 (as the program falls back to its own
// microphone).
MicrophoneModel MicrophoneModelForDevice(const std::string& deviceName);

// The microphone's response level in dB at `hz`, as its maker measured it
// at 25 points per octave from 10 Hz to 23525 Hz: linear in log frequency
// between the points, held beyond the ends. 0 for the ideal microphone.
double MicrophoneResponseDb(MicrophoneModel model, double hz);

// The microphone's response on the bins k = 0 .. n-1 of an n-point period
// at `rate` (bin k at k rate / n Hz, the upper half mirrored): the level
// above with the minimum phase that goes with it, so the microphone's own
// impulse response is causal and short, as a capsule's is. All ones for
// the ideal microphone. n a power of two.
std::vector<std::complex<double>> MicrophoneResponseBins(MicrophoneModel model, int n, int rate);

inline constexpr int kMicrophoneResponseRows = 281;
namespace detail {
extern const std::array<double, kMicrophoneResponseRows> kTessikQex1Db;
extern const std::array<double, kMicrophoneResponseRows> kFenwardeJom1Db;
}  // namespace detail

}  // namespace sim
