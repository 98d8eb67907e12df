#pragma once

#include <atomic>
#include <cstdint>

namespace platform {

// One capture buffer as the client hands it to a SoundInput. The client
// owns the header and its data; while the header is queued (InQueue) only
// the driver writes the data, the recorded count and the flags. Those are
// atomic because the client polls them on its own thread while the driver's
// thread fills the buffer: the driver stores the data first, then the
// count, then Done, with release order, so a reader that sees Done (acquire)
// sees every byte.
struct WaveHeader {
    static constexpr std::uint32_t Done = 0x01;
    static constexpr std::uint32_t Prepared = 0x02;
    static constexpr std::uint32_t BeginLoop = 0x04;
    static constexpr std::uint32_t EndLoop = 0x08;
    static constexpr std::uint32_t InQueue = 0x10;

    char* data = nullptr;
    std::uint32_t bufferLength = 0;  // bytes
    std::atomic<std::uint32_t> bytesRecorded{0};
    std::uintptr_t user = 0;
    std::atomic<std::uint32_t> flags{0};
    std::uint32_t loops = 0;
    // Set by the driver: the header queued after this one, else null.
    std::atomic<WaveHeader*> next{nullptr};

    WaveHeader() = default;
    WaveHeader(const WaveHeader&) = delete;
    WaveHeader& operator=(const WaveHeader&) = delete;

    bool isDone() const { return (flags.load(std::memory_order_acquire) & Done) != 0; }
    bool isQueued() const { return (flags.load(std::memory_order_acquire) & InQueue) != 0; }
    bool isPrepared() const { return (flags.load(std::memory_order_acquire) & Prepared) != 0; }
    // Done with every byte recorded.
    bool isFull() const { return isDone() && bytesRecorded.load(std::memory_order_acquire) == bufferLength; }
};

}  // namespace platform
