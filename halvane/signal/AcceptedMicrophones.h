#pragma once

#include "platform/SoundSystem.h"

#include <array>
#include <string>

namespace halvane::signal::AudioSampler {

// The measurement microphones the recorders accept, searched in this order.
inline constexpr std::array<const char*, 4> AcceptedMicrophoneNames = {
    "Tessik QEX-1", "QEX-1 Tessik", "Fenwarde JOM-1", "JOM-1 Fenwarde"};

// True when an accepted name occurs in the device name, case-sensitively.
bool IsAcceptedMicrophone(const std::string& deviceName);

// The lowest-index sound input whose name is accepted. None: index 0, an
// empty name and false.
bool FindAcceptedMicrophone(platform::SoundSystem& sound, unsigned& deviceIndex, std::string& deviceName);

}  // namespace halvane::signal::AudioSampler
