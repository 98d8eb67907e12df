#pragma once

#include "platform/Clock.h"

#include <atomic>
#include <cstdint>

namespace platform {

// Virtual time for tests without real I/O: sleeping advances the clock at
// once, and a test can move it by hand. Blocking I/O under this clock waits
// no real time at all (toRealMs gives 0), so use it only with in-process fakes.
class VirtualClock final : public Clock {
public:
    explicit VirtualClock(std::int64_t startMs = 0) : now_(startMs) {}

    std::int64_t nowMs() override { return now_.load(); }
    void sleepMs(std::int64_t ms) override;
    std::int64_t toRealMs(std::int64_t) const override { return 0; }

    void advance(std::int64_t ms) { now_ += ms; }
    std::int64_t totalSleptMs() const { return slept_.load(); }

private:
    std::atomic<std::int64_t> now_;
    std::atomic<std::int64_t> slept_{0};
};

}  // namespace platform
