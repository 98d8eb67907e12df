#pragma once

#include <cerrno>
#include <chrono>
#include <csignal>
#include <sys/types.h>
#include <sys/wait.h>
#include <thread>

namespace testsupport {

// A child a test forked (a procsim it talks to), killed and reaped when the
// guard goes, however the test ends: a failed assertion returns before the
// test's own stop, and a child left running keeps its line and its link and
// outlives the test run.
class ChildGuard {
public:
    explicit ChildGuard(pid_t pid) : pid_(pid) {}
    ~ChildGuard() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        reap(0);
    }
    ChildGuard(const ChildGuard&) = delete;
    ChildGuard& operator=(const ChildGuard&) = delete;

    pid_t pid() const { return pid_; }

    // Sends `sig` and waits for the child to end: its wait status, or -1
    // when it did not end within `graceMs` (it is killed then).
    int stop(int sig = SIGTERM, int graceMs = 10000) {
        if (pid_ <= 0) return -1;
        ::kill(pid_, sig);
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(graceMs);
        do {
            const int status = reap(WNOHANG);
            if (pid_ <= 0) return status;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        } while (std::chrono::steady_clock::now() < until);
        ::kill(pid_, SIGKILL);
        reap(0);
        return -1;
    }

private:
    // The wait status once the child is reaped (pid_ then cleared); -1
    // while it runs, or when it is no child to wait for.
    int reap(int options) {
        int status = 0;
        pid_t r;
        while ((r = ::waitpid(pid_, &status, options)) < 0 && errno == EINTR) {
        }
        if (r == 0) return -1;
        pid_ = -1;
        return r < 0 ? -1 : status;
    }

    pid_t pid_;
};

}  // namespace testsupport
