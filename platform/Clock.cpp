#include "platform/Clock.h"
#include "platform/Deadline.h"
#include "platform/ScaledClock.h"
#include "platform/VirtualClock.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <thread>

namespace platform {

std::int64_t SteadyClock::nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SteadyClock::sleepMs(std::int64_t ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    else std::this_thread::yield();
}

Clock& systemClock() {
    static SteadyClock clock;
    return clock;
}

ScaledClock::ScaledClock(double factor, std::int64_t minRealWaitMs)
    : factor_(factor > 0 ? factor : 1.0), minRealWaitMs_(minRealWaitMs), start_(std::chrono::steady_clock::now()) {}

std::int64_t ScaledClock::nowMs() {
    using namespace std::chrono;
    const double realMs = duration<double, std::milli>(steady_clock::now() - start_).count();
    return static_cast<std::int64_t>(realMs * factor_);
}

void ScaledClock::sleepMs(std::int64_t ms) {
    if (ms <= 0) {
        std::this_thread::yield();
        return;
    }
    std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(ms / factor_));
}

std::int64_t ScaledClock::toRealMs(std::int64_t ms) const {
    if (ms <= 0) return 0;
    return std::max(minRealWaitMs_, static_cast<std::int64_t>(std::ceil(ms / factor_)));
}

void VirtualClock::sleepMs(std::int64_t ms) {
    if (ms > 0) {
        now_ += ms;
        slept_ += ms;
    }
}

int Deadline::pollTimeout() const {
    if (infinite_) return -1;
    const std::int64_t real = clock_->toRealMs(remainingMs());
    return static_cast<int>(std::clamp<std::int64_t>(real, 0, INT_MAX));
}

}  // namespace platform
