#pragma once

#include "platform/Clock.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

namespace pellivar {

// Hands work to the user-interface thread. The link's threads never touch a
// window: every completion and every reply delivery is a closure posted here
// and run later, in posting order, on the thread that owns the windows.
class Poster {
public:
    virtual ~Poster() = default;
    virtual void post(std::function<void()> fn) = 0;
};

// A poster whose closures wait in a queue until the owning thread drains it:
// the program's UI pump calls drain() from a timer, tests call it by hand.
class QueuedPoster final : public Poster {
public:
    explicit QueuedPoster(platform::Clock& clock = platform::systemClock()) : clock_(clock) {}

    void post(std::function<void()> fn) override;

    // Runs every closure queued now and those they post; returns the count.
    std::size_t drain();

    // Drains repeatedly until pred() holds or timeoutMs of the clock pass;
    // returns pred() at the end.
    bool drainUntil(const std::function<bool()>& pred, std::int64_t timeoutMs);

    std::size_t pending() const;

private:
    platform::Clock& clock_;
    mutable std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> queue_;
};

}  // namespace pellivar
