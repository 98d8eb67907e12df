#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <thread>

namespace testsupport {

// Polls `pred` every millisecond of real time until it holds or `timeoutMs`
// has passed; whether it held. For tests whose other side runs on its own
// threads (a simulated processor, a worker): no event loop is driven.
template <class Pred>
bool WaitUntil(Pred pred, std::int64_t timeoutMs = 5000) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// The same wait for one side of a hand-over between threads (a job waiting
// for the dialog's side, or the other way round): when the other side never
// comes, the test fails with `what` instead of hanging until ctest's
// time-out, and the waiting side goes on so that the test can end. Safe on
// any thread.
template <class Pred>
bool AwaitOrFail(Pred pred, const char* what, std::int64_t timeoutMs = 60000) {
    if (WaitUntil(pred, timeoutMs)) return true;
    ADD_FAILURE() << "waited " << timeoutMs << " ms in vain for " << what;
    return false;
}

}  // namespace testsupport
