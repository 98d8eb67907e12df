#pragma once

#include <string>

namespace sim {

// The name the simulated microphone's capture device gets in ALSA, and the
// description a program lists it by (it holds an accepted microphone name).
inline constexpr const char* kAlsaMicrophonePcm = "simulated_microphone";
inline constexpr const char* kAlsaMicrophoneDescription = "Simulated Tessik QEX-1";

// An ALSA configuration with one capture device: a "plug" (any channel
// count the program asks for: one for Quick Measure, two for the
// measurement) over a "file" PCM whose input file is the FIFO the simulated
// microphone writes 48 kHz 16-bit stereo into. Its hint shows the
// description. Standing alone, it is ALSA's whole configuration for a
// program started with ALSA_CONFIG_PATH pointing at it; the same lines
// appended to ~/.asoundrc add the device to one's own setup.
std::string AlsaMicrophoneConfig(const std::string& fifoPath,
                                 const std::string& description = kAlsaMicrophoneDescription);

// Writes that configuration to `path`. A file already there is replaced
// only when it is one of these (it starts with the same first line), so a
// user's own configuration is never overwritten. False with `error`.
bool WriteAlsaMicrophoneConfig(const std::string& path, const std::string& fifoPath, std::string& error,
                               const std::string& description = kAlsaMicrophoneDescription);

}  // namespace sim
