#pragma once

#include "sim/Microphone.h"

#include <string>

namespace sim {

// How loud the simulated room is: the processor's test tone at its default
// level, heard at a path gain of 1, and the room's background noise, in dB
// SPL. The generated paths (gains 0.5-1, resonances of a few dB) put a
// channel at about 75-90 dB SPL at the listening positions.
struct RoomLevels {
    double toneSplDb = 85.0;
    double noiseSplDb = 30.0;
};

// The level a full-scale sample stands for in the measurement microphone a
// capture device's name holds, as its maker gives it (and as Halvane's
// calibration of that microphone carries it): "JOM-1" 118 dB SPL, "QEX-1"
// and any other name 120 dB SPL.
double MicrophoneFullScaleSplDb(const std::string& deviceName);

// The microphone knobs that make the simulated microphone record the room
// as that microphone would: tone and noise at their SPL below full scale,
// through that microphone's frequency response (MicrophoneModelForDevice).
MicKnobs CalibratedKnobs(const std::string& deviceName, const RoomLevels& levels = {});

}  // namespace sim
