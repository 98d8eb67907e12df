#pragma once

#include "platform/Clock.h"

#include <chrono>

namespace platform {

// A clock that runs `factor` times faster than real time: a 10-second power
// pass sleeps 10000 / factor real milliseconds. Reply limits scale the same
// way, so a test picks a factor that still leaves a pty time to answer.
//
// A very short limit scaled down this way leaves a loaded machine no time to
// answer at all (6 ms at factor 10 is 0.6 ms real), so a clock may be given
// a least real wait: a wait that would run out sooner lasts that long in real
// time, and still ends the moment its byte comes.
class ScaledClock final : public Clock {
public:
    explicit ScaledClock(double factor, std::int64_t minRealWaitMs = 0);

    std::int64_t nowMs() override;
    void sleepMs(std::int64_t ms) override;
    std::int64_t toRealMs(std::int64_t ms) const override;

    double factor() const { return factor_; }

private:
    double factor_;
    std::int64_t minRealWaitMs_;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace platform
