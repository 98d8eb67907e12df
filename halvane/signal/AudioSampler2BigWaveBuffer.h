#pragma once

#include "halvane/diagnostics/ThreadHandler.h"
#include "halvane/signal/AudioSampler2WaveCallback.h"
#include "platform/SoundInput.h"
#include "platform/WaveHeader.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

namespace halvane::signal::AudioSampler2 {

// One work item from the capture callback: a buffer the input gave back.
// Passed by value, so an item dropped unrun frees nothing by hand.
struct BigWaveBufferThreadedData {
    platform::SoundInput* input = nullptr;
    std::uintptr_t instance = 0;
    std::uint32_t message = 0;
    platform::WaveHeader* header = nullptr;
    std::uint64_t session = 0;  // the open the buffer belongs to
};

// The ring of capture buffers of the streaming recorder and the conversion
// of each filled one: copied into a fresh block of doubles, given back to
// the input at once, and handed to the client through the dispatcher.
//
// One lock guards the hand-back against termination: DataReady holds it
// across its check (running, same input and open) and the re-queue, and the
// recorder holds it while it clears running and while it frees the arrays.
// So no buffer goes back to an input that is being closed, and no
// conversion reads freed samples.
class BigWaveBuffer {
public:
    static constexpr int SamplesPerBuffer = 32768;

    BigWaveBuffer(WaveCallback* client, const std::atomic<bool>& running);
    virtual ~BigWaveBuffer();
    BigWaveBuffer(const BigWaveBuffer&) = delete;
    BigWaveBuffer& operator=(const BigWaveBuffer&) = delete;

    // On the conversion worker.
    void DataReady(BigWaveBufferThreadedData item);

    // Allocates and zeroes `count` buffers, prepares and queues each with
    // the input of that open. Returns the first platform failure.
    platform::MmResult Setup(platform::SoundInput* input, std::uint64_t session, int count);
    // Frees the buffers; the input must no longer hold any of them.
    void Free();
    bool HasBuffers() const;

    // Taken by the recorder around clearing running.
    std::mutex& Lock() { return mutex_; }

    // Blocks handed to the dispatcher so far.
    std::uint64_t Converted() const { return converted_.load(); }
    // Incomplete buffers (a stop landed in them) given back unconverted.
    std::uint64_t Requeued() const { return requeued_.load(); }

private:
    bool Owns(const platform::WaveHeader* header) const;

    diagnostics::Threading::UIThreadHandler<WaveCallback, WaveCallback::Data> dispatcher_;
    WaveCallback* client_;
    const std::atomic<bool>& running_;
    platform::SoundInput* input_ = nullptr;
    std::uint64_t session_ = 0;
    std::unique_ptr<std::int16_t[]> samples_;
    std::unique_ptr<platform::WaveHeader[]> headers_;
    int count_ = 0;
    mutable std::mutex mutex_;
    std::atomic<std::uint64_t> converted_{0};
    std::atomic<std::uint64_t> requeued_{0};
};

}  // namespace halvane::signal::AudioSampler22
