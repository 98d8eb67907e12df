#pragma once

#include "platform/SampleSource.h"
#include "platform/SoundInput.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace soundtest {

// Frame n carries n (mod 65536, as a signed 16-bit value) in every channel,
// so a test can tell which frames landed where.
class RampSource final : public platform::SampleSource {
public:
    void fill(std::int16_t* out, std::size_t frames, unsigned channels, unsigned rate) override;
    std::uint64_t next = 0;
};

// Plays the given interleaved samples once, then silence.
class TakeSource final : public platform::SampleSource {
public:
    explicit TakeSource(std::vector<std::int16_t> samples) : samples_(std::move(samples)) {}
    void fill(std::int16_t* out, std::size_t frames, unsigned channels, unsigned rate) override;

private:
    std::vector<std::int16_t> samples_;
    std::size_t pos_ = 0;
};

// Records every notification the capture callback gets; the instance value
// is a pointer to one of these.
struct CallbackLog {
    struct Entry {
        std::uint32_t message;
        platform::WaveHeader* header;
        std::uint32_t bytes;
        bool onCallerThread;
    };
    static void proc(platform::SoundInput* input, std::uint32_t message, std::uintptr_t instance,
                     platform::WaveHeader* header);
    std::uintptr_t instance() { return reinterpret_cast<std::uintptr_t>(this); }

    std::vector<Entry> entries() const;
    std::size_t count(std::uint32_t message) const;
    // Waits (real time) until `n` notifications of that kind came.
    bool waitFor(std::uint32_t message, std::size_t n, int timeoutMs = 5000) const;

    std::thread::id callerThread = std::this_thread::get_id();
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::vector<Entry> log;
};

// A raw take (interleaved S16_LE) and an ALSA configuration defining a
// capture PCM that plays it, described as `description`, written to a fresh
// temporary directory; ALSA_CONFIG_PATH points at it while this lives.
class AlsaFileDevice {
public:
    AlsaFileDevice(const std::vector<std::int16_t>& take, const std::string& description,
                   const std::string& otherDescription = {});
    ~AlsaFileDevice();
    const std::string& dir() const { return dir_; }

private:
    std::string dir_;
};

}  // namespace soundtest
