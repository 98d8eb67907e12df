#pragma once

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

}  // namespace testsupport
