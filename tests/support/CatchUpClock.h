#pragma once

#include "platform/Clock.h"
#include "sim/Simulator.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

namespace testsupport {

// The program's side of a simulated line, on the time of another clock (the
// simulator keeps that one): after a sleep and before a wait on the line, it
// lets the simulator catch up with what the program has sent, so a reply is
// judged late only when it is late on the processor's time. A
// sanitizer's slowness or a busy machine that holds up the simulator's
// thread then costs real time, never a reply. A simulator that does not
// catch up within kLimitMs of real time (it hangs, or floods a line that is
// read as fast as it fills) is left to run as it is.
class CatchUpClock final : public platform::Clock {
public:
    static constexpr std::int64_t kLimitMs = 2000;

    explicit CatchUpClock(platform::Clock& base, const sim::Simulator* simulator = nullptr)
        : base_(base), simulator_(simulator) {}

    void follow(const sim::Simulator* simulator) { simulator_ = simulator; }

    // Telling the time does not wait: a reader that judges its limit and
    // then reads once more (as the line does) must not find the time moved
    // on by the catching up alone.
    std::int64_t nowMs() override { return base_.nowMs(); }
    void sleepMs(std::int64_t ms) override {
        base_.sleepMs(ms);
        catchUp();
    }
    std::int64_t toRealMs(std::int64_t ms) const override {
        catchUp();
        return base_.toRealMs(ms);
    }

private:
    void catchUp() const {
        const sim::Simulator* s = simulator_.load();
        if (s == nullptr || !s->running() || s->caughtUp()) return;
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLimitMs);
        while (!s->caughtUp() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::microseconds(50));
    }

    platform::Clock& base_;
    std::atomic<const sim::Simulator*> simulator_;
};

}  // namespace testsupport
