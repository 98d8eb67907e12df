#pragma once
// A processor's side of a line held in memory that answers from a script:
// each time the program has written something, the next reply of the script
// is there to be read, byte for byte as given. The ports under test are
// handed this line in place of their serial line and read it with their own
// reply code; no device, no thread and no real wait, so an input takes well
// under a millisecond.
//
// A fuzz input is a script: a first byte the target may use to choose what
// it exercises, then replies, each a length byte and that many bytes.

#include "platform/ByteLine.h"
#include "platform/Clock.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace suitefuzz {

// The choice byte and the replies of one input.
struct Script {
    std::uint8_t choice = 0;
    std::vector<std::string> replies;

    static Script Parse(const std::uint8_t* data, std::size_t size) {
        Script s;
        if (size == 0) return s;
        s.choice = data[0];
        for (std::size_t at = 1; at < size;) {
            const std::size_t n = data[at++];
            const std::size_t take = n < size - at ? n : size - at;
            s.replies.emplace_back(reinterpret_cast<const char*>(data + at), take);
            at += take;
        }
        return s;
    }
};

// Time that passes quickly and never in real time: every reading of the
// clock moves it on by a step and sleeps move it by their length, so a
// reader's limits of seconds end after a few hundred readings.
class StepClock final : public platform::Clock {
public:
    explicit StepClock(std::int64_t stepMs = 20) : step_(stepMs) {}
    std::int64_t nowMs() override { return now_ += step_; }
    void sleepMs(std::int64_t ms) override {
        if (ms > 0) now_ += ms;
    }
    std::int64_t toRealMs(std::int64_t) const override { return 0; }

private:
    std::int64_t step_;
    std::atomic<std::int64_t> now_{0};
};

// Opens under any path. A wait for bytes that are not there passes its whole
// limit on the clock at once, as a silent processor would let it pass.
// Opening again, or a purge, drops what was not read; the script goes on.
class ScriptedLine final : public platform::ByteLine {
public:
    // The device the ports are pointed at (any other opens as well).
    static constexpr const char* kPath = "/dev/scripted-processor";

    explicit ScriptedLine(platform::Clock& clock) : clock_(clock) {}

    // The replies of the next writes; what was not read yet is forgotten.
    void play(std::vector<std::string> replies) {
        replies_ = std::move(replies);
        next_ = 0;
        dropInput();
    }

    bool open(const std::string& path) override {
        path_ = path;
        open_ = !path.empty();
        dropInput();
        return open_;
    }
    bool isOpen() const override { return open_; }
    const std::string& path() const override { return path_; }
    void close() override { open_ = false; }
    bool configure(const platform::LineSettings&, bool) override { return open_; }

    ReadResult readByte(std::uint8_t& out, std::int64_t timeoutMs) override {
        if (!open_) return ReadResult::Failed;
        if (take(&out, 1) == 1) return ReadResult::Byte;
        wait(timeoutMs);
        return ReadResult::Timeout;
    }
    long read(void* buffer, std::size_t n, std::int64_t totalMs, std::int64_t intervalMs) override {
        if (!open_) return -1;
        const std::size_t got = take(buffer, n);
        // What the processor sent came at once; the rest of the read waits
        // for more that never comes.
        if (got < n) wait(got == 0 || intervalMs < 0 ? totalMs : std::min(intervalMs, totalMs));
        return static_cast<long>(got);
    }
    long readAvailable(void* buffer, std::size_t n) override {
        return open_ ? static_cast<long>(take(buffer, n)) : -1;
    }

    using ByteLine::writeAll;
    bool writeAll(const void*, std::size_t n, std::int64_t) override {
        if (!open_) return false;
        if (n > 0 && next_ < replies_.size()) input_ += replies_[next_++];
        return true;
    }

    std::string lastErrorReason() const override { return "no such device"; }

    bool purge() override { return purgeInput(); }
    bool purgeInput() override {
        dropInput();
        return open_;
    }
    bool drainOutput() override { return open_; }

private:
    std::size_t take(void* buffer, std::size_t n) {
        const std::size_t got = std::min(n, input_.size() - read_);
        if (got == 0) return 0;
        std::memcpy(buffer, input_.data() + read_, got);
        read_ += got;
        if (read_ == input_.size()) dropInput();
        return got;
    }
    void wait(std::int64_t ms) {
        if (ms > 0) clock_.sleepMs(ms);
    }
    void dropInput() {
        input_.clear();
        read_ = 0;
    }

    platform::Clock& clock_;
    std::string path_;
    bool open_ = false;
    std::vector<std::string> replies_;
    std::size_t next_ = 0;
    std::string input_;  // sent by the processor, read up to read_
    std::size_t read_ = 0;
};

}  // namespace suitefuzz
