#pragma once

#include <mutex>

namespace pellivar {

// Guards the subscription list and the replies on their way to it. It is
// re-entrant: a one-shot item unsubscribes itself from inside its own
// release, which already holds the lock.
class ReplyLock {
public:
    void lock() { mutex_.lock(); }
    void unlock() { mutex_.unlock(); }
    bool try_lock() { return mutex_.try_lock(); }

private:
    std::recursive_mutex mutex_;
};

}  // namespace pellivar
