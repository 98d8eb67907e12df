#pragma once

#include "platform/CaptureStream.h"
#include "platform/MmResult.h"
#include "platform/WaveFormat.h"
#include "platform/WaveHeader.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

class SoundInput;

// Notifications to the capture callback.
constexpr std::uint32_t WimOpen = 0x3BE;   // the input is open
constexpr std::uint32_t WimClose = 0x3BF;  // the input has closed; the last call
constexpr std::uint32_t WimData = 0x3C0;   // a buffer came back done (the header)

// Called on the input's own capture thread, never on the caller's. It must
// not call start, stop, reset or close of the same input (they refuse with
// HandleBusy there); adding a buffer is allowed.
using WaveInProc = void (*)(SoundInput* input, std::uint32_t message, std::uintptr_t instance,
                            WaveHeader* header);

// An open sound input with the buffer discipline the recorders rely on:
// - buffers are prepared, then queued in order; the capture thread fills the
//   head buffer, and a full one comes back Done (WimData) and leaves the queue;
// - stop pauses: the partly filled head buffer comes back Done with its
//   partial count, empty buffers stay queued;
// - reset stops and gives every queued buffer back Done, in order;
// - close is refused (StillPlaying) while any buffer is queued; otherwise the
//   callback gets WimClose and the device is released;
// - with no buffer queued the input is dropped (a hardware device keeps
//   reading so it does not overrun).
// start, stop, reset and close return once the capture thread has done them
// and delivered their buffers.
class SoundInput {
public:
    SoundInput(unsigned deviceId, const WaveFormat& format, std::unique_ptr<CaptureStream> stream,
               WaveInProc proc, std::uintptr_t instance);
    // Ends the capture thread without further callbacks and releases the device.
    ~SoundInput();
    SoundInput(const SoundInput&) = delete;
    SoundInput& operator=(const SoundInput&) = delete;

    MmResult prepareHeader(WaveHeader& header);
    MmResult unprepareHeader(WaveHeader& header);  // StillPlaying while queued
    MmResult addBuffer(WaveHeader& header);
    MmResult start();
    MmResult stop();
    MmResult reset();
    MmResult close();

    unsigned deviceId() const { return deviceId_; }
    const WaveFormat& format() const { return format_; }
    bool isClosed() const;
    std::size_t queuedCount() const;
    // Frames read while no buffer was queued.
    std::uint64_t droppedFrames() const;
    // Reads the device failed beyond recovery.
    std::uint64_t failedReads() const;

private:
    enum class Command { None, Start, Stop, Reset, Close, Quit };

    MmResult command(Command c);
    void run();
    MmResult execute(Command c, std::vector<WaveHeader*>& done);
    void stopLocked(std::vector<WaveHeader*>& done);
    void deliver(std::uint32_t message, WaveHeader* header);
    static void markDone(WaveHeader& header);

    const unsigned deviceId_;
    const WaveFormat format_;
    std::unique_ptr<CaptureStream> stream_;
    WaveInProc proc_;
    std::uintptr_t instance_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::mutex commandMutex_;  // one command at a time
    std::deque<WaveHeader*> queue_;
    Command pending_ = Command::None;
    MmResult commandResult_ = mmresult::NoError;
    std::uint64_t commandsIssued_ = 0;
    std::uint64_t commandsDone_ = 0;
    bool running_ = false;
    bool closed_ = false;
    std::uint64_t dropped_ = 0;
    std::uint64_t failedReads_ = 0;
    std::thread thread_;
};

}  // namespace platform
