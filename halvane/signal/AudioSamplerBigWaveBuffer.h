#pragma once

#include "platform/SoundInput.h"
#include "platform/WaveHeader.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace halvane::signal::AudioSampler {

// The 16-bit samples of one take and the buffer headers that cut it into
// chunks of at most 524288 values (one header per chunk, begin and end loop,
// loop count 1).
class BigWaveBuffer {
public:
    static constexpr std::size_t ChunkValues = 0x80000;

    BigWaveBuffer() = default;
    virtual ~BigWaveBuffer();
    BigWaveBuffer(const BigWaveBuffer&) = delete;
    BigWaveBuffer& operator=(const BigWaveBuffer&) = delete;

    // Allocates (or reuses, for the same size) and zeroes samples and
    // headers, then prepares and queues every header with the input.
    // Returns the first platform failure, NoError otherwise.
    platform::MmResult Setup(platform::SoundInput* input, std::size_t values, bool stereo);

    // True when the input chained the queued headers in order.
    bool ChainedInOrder() const;

    // Every header completely filled: unprepares them and stores the first
    // channel of each frame as sample / 32767.0, with the largest and
    // smallest value stored (starting from -1.0 and 1.0).
    bool ToDoubles(std::vector<double>& out, double& largest, double& smallest);

    // Resets the input (every queued header comes back), then unprepares
    // and frees headers and samples. Resetting first matters on an abort:
    // a header still queued cannot be unprepared, and its memory must not
    // be freed under the capture thread.
    void Stop();

    bool HasBuffers() const { return headers_ != nullptr && samples_ != nullptr; }
    int HeaderCount() const { return headerCount_; }
    platform::WaveHeader& Header(int i) { return headers_[static_cast<std::size_t>(i)]; }
    std::size_t Size() const { return size_; }

private:
    platform::SoundInput* input_ = nullptr;
    int stereo_ = 1;
    std::unique_ptr<std::int16_t[]> samples_;
    std::unique_ptr<platform::WaveHeader[]> headers_;
    int headerCount_ = 0;
    std::size_t size_ = 0;
};

}  // namespace halvane::signal::AudioSampler
