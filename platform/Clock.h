#pragma once

#include <cstdint>

namespace platform {

// The time source of every sleep and reply time limit in the programs.
// Times are milliseconds on a monotonic scale; only differences mean anything.
class Clock {
public:
    virtual ~Clock() = default;

    virtual std::int64_t nowMs() = 0;
    virtual void sleepMs(std::int64_t ms) = 0;

    // How many real milliseconds a wait of `ms` on this clock lasts. Blocking
    // I/O (poll) waits in real time, so it converts its limit through this.
    virtual std::int64_t toRealMs(std::int64_t ms) const { return ms; }
};

// std::chrono::steady_clock and std::this_thread::sleep_for.
class SteadyClock final : public Clock {
public:
    std::int64_t nowMs() override;
    void sleepMs(std::int64_t ms) override;
};

// The process-wide production clock.
Clock& systemClock();

}  // namespace platform
