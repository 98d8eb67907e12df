#include "halvane/procedures/measurement/WaveRecorder.h"

namespace halvane::procedures {

bool WaveRecorder::IsMixerOpen() const {
    const signal::CInputMixer* mixer = wave_.Mixer();
    return mixer != nullptr && mixer->IsOpened();
}

// Until the input is opened the format is the one every take uses.
int WaveRecorder::BitsPerSample() const {
    const int bits = wave_.Format().bitsPerSample;
    return bits != 0 ? bits : 16;
}

int WaveRecorder::SampleRate() const {
    const int rate = static_cast<int>(wave_.Format().samplesPerSec);
    return rate != 0 ? rate : 48000;
}

}  // namespace halvane::procedures
