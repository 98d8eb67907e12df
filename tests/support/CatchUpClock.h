#pragma once

#include "platform/Clock.h"
#include "sim/Simulator.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
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
//
// The catching up takes real time, which a scaled clock turns into a
// multiple of it. A program that judges a limit across several waits (a
// reply awaited while other work goes on) would still see it run out, so the
// clock may be told to hold still while it catches up: its time then leaves
// out every stretch in which some thread waited for the simulator, and a
// sleep lasts its full length of the time left.
class CatchUpClock final : public platform::Clock {
public:
    static constexpr std::int64_t kLimitMs = 2000;

    explicit CatchUpClock(platform::Clock& base, const sim::Simulator* simulator = nullptr)
        : base_(base), simulator_(simulator) {}

    void follow(const sim::Simulator* simulator) { simulator_ = simulator; }
    // Before the clock is first used.
    void holdWhileCatchingUp(bool on) { hold_ = on; }

    // Telling the time does not wait: a reader that judges its limit and
    // then reads once more (as the line does) must not find the time moved
    // on by the catching up alone.
    std::int64_t nowMs() override {
        if (!hold_) return base_.nowMs();
        std::lock_guard lock(holdMutex_);
        return (holders_ > 0 ? holdStartMs_ : base_.nowMs()) - heldMs_;
    }
    void sleepMs(std::int64_t ms) override {
        if (hold_ && ms > 0) {
            // Another thread's catching up may hold the time during the sleep.
            const std::int64_t until = nowMs() + ms;
            base_.sleepMs(ms);
            for (std::int64_t left = until - nowMs(); left > 0; left = until - nowMs()) base_.sleepMs(left);
        } else {
            base_.sleepMs(ms);
        }
        catchUp();
    }
    std::int64_t toRealMs(std::int64_t ms) const override {
        catchUp();
        return base_.toRealMs(ms);
    }

private:
    void catchUp() const {
        const sim::Simulator* s = simulator_.load();
        if (s == nullptr || !s->running()) return;
        // Held from the first look on: that look may itself wait for the
        // kernel to hand the simulator what the program wrote.
        const bool held = hold_;
        if (held) hold(true);
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLimitMs);
        while (!s->caughtUp() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        if (held) hold(false);
    }

    // The time stands still from the first holder on until the last lets go.
    void hold(bool on) const {
        std::lock_guard lock(holdMutex_);
        if (on && holders_++ == 0) holdStartMs_ = base_.nowMs();
        if (!on && --holders_ == 0) heldMs_ += base_.nowMs() - holdStartMs_;
    }

    platform::Clock& base_;
    std::atomic<const sim::Simulator*> simulator_;
    std::atomic<bool> hold_{false};
    mutable std::mutex holdMutex_;
    mutable int holders_ = 0;
    mutable std::int64_t holdStartMs_ = 0;
    mutable std::int64_t heldMs_ = 0;
};

}  // namespace testsupport
