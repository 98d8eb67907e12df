#pragma once

#include "platform/MmResult.h"
#include "platform/SampleSource.h"
#include "platform/SimInputMixer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// The script of one simulated sound input.
struct SimInputDevice {
    enum class Pacing {
        Fast,      // frames come as fast as they are read
        RealTime,  // 48000 frames per second of the system's clock
    };

    std::string name;
    bool acceptsExtensible = true;  // false: only the plain PCM tag opens
    std::vector<unsigned> channels{1, 2};
    std::vector<unsigned> rates{48000};
    MmResult openResult = mmresult::NoError;  // forced failure of every open
    std::shared_ptr<SampleSource> source{};   // null: silence
    Pacing pacing = Pacing::Fast;
    // After this many frames of one open the device delivers nothing more
    // (negative: no end), to script a take that never completes.
    std::int64_t frameLimit = -1;
    // Null: the device has no mixer.
    std::shared_ptr<SimInputMixer> mixer{};
};

}  // namespace platform
