#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// Where a simulated sound input gets its sound: the simulated microphone,
// a recorded take or a test pattern. Each call continues the stream where
// the last one ended.
class SampleSource {
public:
    virtual ~SampleSource() = default;

    // Writes `frames` frames of `channels` interleaved 16-bit samples at
    // `rate` frames per second. Called on the input's capture thread.
    virtual void fill(std::int16_t* out, std::size_t frames, unsigned channels, unsigned rate) = 0;
};

}  // namespace platform
