#pragma once

#include "sim/Microphone.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>

namespace sim {

// The simulated measurement microphone as a sound device outside the
// process: a writer thread puts what the microphone hears into a FIFO, as
// raw 48 kHz 16-bit stereo frames (the microphone in both channels), paced
// in real time or `speed` times faster. ALSA's "file" capture device reads
// the FIFO (see AlsaMicrophoneConfig).
//
// The writer holds the FIFO open for reading and writing, without blocking:
// nobody reading never stalls it, and a reader that goes away (a program
// killed mid-take) leaves it writing. What nobody reads is dropped, oldest
// first, so the FIFO always holds the latest sound. When the test tone
// starts, stops or changes channel, the sound queued before is dropped: a
// recording started after the change hears only what followed it, as a
// sound card's capture does.
//
// Listening positions: with `autoMove`, the tone of a channel that was
// already heard at the current position means the microphone was moved on
// (a measurement run measures every channel once per position); moveTo()
// and moveNext() move it by hand.
class FifoMicrophone {
public:
    struct Options {
        std::string path;
        double speed = 1.0;         // 1: real time
        int chunkFrames = 1024;     // frames per write (4096 bytes: one atomic pipe write)
        bool autoMove = true;
        std::size_t pipeBytes = 1 << 20;  // FIFO capacity asked for (the system may give less)
    };
    struct Counts {
        std::int64_t written = 0;   // frames written
        std::int64_t dropped = 0;   // frames dropped because nobody read them
        std::int64_t flushed = 0;   // frames dropped at tone changes
        int position = 0;
    };

    // `tone` says which channel's test tone plays (-1: none); the
    // microphone must use the same source.
    FifoMicrophone(Microphone& microphone, std::function<int()> tone, Options options);
    ~FifoMicrophone();
    FifoMicrophone(const FifoMicrophone&) = delete;
    FifoMicrophone& operator=(const FifoMicrophone&) = delete;

    // Creates the FIFO when the path does not exist (an existing one is
    // used), opens it and starts the writer. False with error() otherwise.
    bool start();
    void stop();
    const std::string& error() const { return error_; }

    // The playing channel changed (-1: none). Called by the processor as it
    // switches the tone, before it answers: the sound queued until now is
    // dropped, and so is a chunk being written that was made before the
    // change, so a recording started after the answer hears only the new
    // sound. The writer also notices a change by itself, a chunk later.
    void noteTone(int channel);

    void moveTo(int position);
    void moveNext();
    Counts counts() const;
    // Called on the writer thread when the microphone moves by itself.
    void onMove(std::function<void(int)> fn) { onMove_ = std::move(fn); }
    std::size_t pipeCapacity() const { return capacity_; }

private:
    void run();
    void writeChunk(const std::int16_t* stereo, std::size_t bytes);
    void discardQueued(std::size_t bytes, std::atomic<std::int64_t>& counter);
    std::size_t queuedBytes() const;

    Microphone& mic_;
    std::function<int()> tone_;
    Options options_;
    std::function<void(int)> onMove_;
    std::string error_;
    int fd_ = -1;
    std::size_t capacity_ = 0;
    bool createdFifo_ = false;

    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread thread_;

    std::set<int> heardHere_;  // under mutex_
    int lastTone_ = -2;        // under mutex_
    std::uint64_t generation_ = 0;  // tone changes noted; under mutex_
    std::atomic<int> position_{0};
    std::atomic<std::int64_t> written_{0}, dropped_{0}, flushed_{0};
};

}  // namespace sim
