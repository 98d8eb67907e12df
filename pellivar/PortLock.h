#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace pellivar {

// The port lock: serialises every use of the port. It is fair (first come,
// first served), because the reader takes it again at once after each short
// read; a plain mutex could keep the send worker waiting behind it for a
// long run of passes.
class PortLock {
public:
    void lock() {
        std::unique_lock l(mutex_);
        const std::uint64_t ticket = next_++;
        turn_.wait(l, [&] { return serving_ == ticket; });
    }
    void unlock() {
        {
            std::lock_guard l(mutex_);
            ++serving_;
        }
        turn_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable turn_;
    std::uint64_t next_ = 0;
    std::uint64_t serving_ = 0;
};

}  // namespace pellivar
