#pragma once

#include "platform/Clock.h"

#include <chrono>

namespace platform {

// A clock that runs `factor` times faster than real time: a 10-second power
// pass sleeps 10000 / factor real milliseconds. Reply limits scale the same
// way, so a test picks a factor that still leaves a pty time to answer.
class ScaledClock final : public Clock {
public:
    explicit ScaledClock(double factor);

    std::int64_t nowMs() override;
    void sleepMs(std::int64_t ms) override;
    std::int64_t toRealMs(std::int64_t ms) const override;

    double factor() const { return factor_; }

private:
    double factor_;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace platform
