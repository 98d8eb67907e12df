#pragma once

#include "platform/SampleSource.h"
#include "sim/Microphone.h"

#include <cstdint>
#include <vector>

namespace sim {

// The simulated microphone as the sound of a simulated sound input: a
// continuous stream from the microphone's time line, from frame 0 on. A
// mono input gets the microphone's (left) channel.
class MicrophoneSource final : public platform::SampleSource {
public:
    explicit MicrophoneSource(Microphone& microphone, std::int64_t startFrame = 0)
        : mic_(microphone), next_(startFrame) {}

    void fill(std::int16_t* out, std::size_t frames, unsigned channels, unsigned rate) override;

    std::int64_t nextFrame() const { return next_; }

private:
    Microphone& mic_;
    std::int64_t next_;
    std::vector<std::int16_t> stereo_;
};

}  // namespace sim
