#pragma once

#include "platform/Clock.h"

#include <cstdint>

namespace platform {

// A point in a clock's time after which a wait gives up. Every I/O loop
// holds one of these instead of doing clock arithmetic itself.
class Deadline {
public:
    // A negative limit never expires.
    Deadline(Clock& clock, std::int64_t limitMs)
        : clock_(&clock), start_(clock.nowMs()), infinite_(limitMs < 0), end_(infinite_ ? 0 : start_ + limitMs) {}

    static Deadline never(Clock& clock) { return Deadline(clock, -1); }

    bool infinite() const { return infinite_; }
    bool expired() const { return !infinite_ && clock_->nowMs() >= end_; }

    // Milliseconds of the clock left, 0 once expired, -1 when infinite.
    std::int64_t remainingMs() const {
        if (infinite_) return -1;
        const std::int64_t left = end_ - clock_->nowMs();
        return left > 0 ? left : 0;
    }

    // The remaining time as a real-time poll(2) limit: -1 infinite, else >= 0.
    int pollTimeout() const;

    // Milliseconds of the clock since the deadline was set.
    std::int64_t elapsedMs() const { return clock_->nowMs() - start_; }
    // Moves the end to `limitMs` after the deadline was set, for a limit
    // that grows while the wait runs (a reply that earns time per byte).
    void setLimit(std::int64_t limitMs) {
        infinite_ = limitMs < 0;
        end_ = infinite_ ? 0 : start_ + limitMs;
    }

private:
    Clock* clock_;
    std::int64_t start_;
    bool infinite_;
    std::int64_t end_;
};

}  // namespace platform
