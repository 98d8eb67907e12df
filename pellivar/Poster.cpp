#include "pellivar/Poster.h"

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
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        drain();
        if (pred()) return true;
        std::unique_lock lock(mutex_);
        if (std::chrono::steady_clock::now() >= until) break;
        posted_.wait_until(lock, until, [&] { return !queue_.empty(); });
    }
    drain();
    return pred();
}

std::size_t QueuedPoster::pending() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

}  // namespace pellivar
