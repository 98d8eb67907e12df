#include "pellivar/Poster.h"

#include "platform/Deadline.h"

#include <algorithm>
#include <chrono>

namespace pellivar {

void QueuedPoster::post(std::function<void()> fn) {
    if (!fn) return;
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(fn));
    }
    posted_.notify_all();
}

std::size_t QueuedPoster::drain() {
    std::size_t ran = 0;
    for (;;) {
        std::function<void()> fn;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty()) return ran;
            fn = std::move(queue_.front());
            queue_.pop_front();
        }
        fn();
        ++ran;
    }
}

bool QueuedPoster::drainUntil(const std::function<bool()>& pred, std::int64_t timeoutMs) {
    const platform::Deadline deadline(clock_, timeoutMs);
    for (;;) {
        drain();
        if (pred()) return true;
        std::unique_lock lock(mutex_);
        if (deadline.expired()) break;
        // Whole milliseconds at least: a wait of 0 would spin until the end.
        posted_.wait_for(lock, std::chrono::milliseconds(std::max(1, deadline.pollTimeout())),
                         [&] { return !queue_.empty(); });
    }
    drain();
    return pred();
}

std::size_t QueuedPoster::pending() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

}  // namespace pellivar
