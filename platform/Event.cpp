#include "platform/Event.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform {

// All events share one lock and one condition: waits on several events then
// need no registration, and an event is set rarely enough that waking every
// waiter to re-check costs nothing worth measuring.
namespace {
std::mutex& eventMutex() {
    static std::mutex m;
    return m;
}
std::condition_variable& eventCondition() {
    static std::condition_variable c;
    return c;
}
}  // namespace

Event::Event(Reset kind, bool initiallySet) : kind_(kind), set_(initiallySet) {}

Event::~Event() = default;

void Event::set() {
    {
        std::lock_guard lock(eventMutex());
        set_ = true;
    }
    eventCondition().notify_all();
}

void Event::reset() {
    std::lock_guard lock(eventMutex());
    set_ = false;
}

bool Event::isSet() const {
    std::lock_guard lock(eventMutex());
    return set_;
}

bool Event::consumeLocked() {
    if (!set_) return false;
    if (kind_ == Reset::Auto) set_ = false;
    return true;
}

bool Event::wait(std::int64_t timeoutMs) {
    return WaitAny(std::vector<Event*>{this}, timeoutMs) == 0;
}

int WaitAny(const std::vector<Event*>& events, std::int64_t timeoutMs) {
    if (events.empty()) return WaitFailed;
    for (Event* e : events)
        if (e == nullptr) return WaitFailed;

    std::unique_lock lock(eventMutex());
    auto firstSet = [&]() -> int {
        for (std::size_t i = 0; i < events.size(); ++i)
            if (events[i]->consumeLocked()) return static_cast<int>(i);
        return WaitTimeout;
    };

    int index = firstSet();
    if (index >= 0) return index;
    if (timeoutMs == 0) return WaitTimeout;

    if (timeoutMs < 0) {
        eventCondition().wait(lock, [&] { return (index = firstSet()) >= 0; });
        return index;
    }
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    eventCondition().wait_until(lock, until, [&] { return (index = firstSet()) >= 0; });
    return index;
}

}  // namespace platform
