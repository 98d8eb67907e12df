#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A recorded take read from a WAV file: 16-bit PCM (the plain format or the
// extensible one with a PCM sub-format), any rate.
struct WavTake {
    int channels = 0;
    int rate = 0;
    int bitsPerSample = 0;
    std::vector<std::int16_t> samples;  // interleaved frames

    int Frames() const { return channels > 0 ? static_cast<int>(samples.size() / channels) : 0; }
};

// Reads `path`. On failure returns false with a reason in `error`; the file
// is checked chunk by chunk against its own length before anything is read.
bool ReadWavTake(const std::string& path, WavTake& take, std::string& error);
