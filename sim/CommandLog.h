#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace sim {

// Every command a simulated processor received, with the time it came.
class CommandLog {
public:
    struct Entry {
        std::int64_t timeMs;
        std::string text;
    };

    void add(std::int64_t timeMs, std::string text);
    void clear();

    std::vector<Entry> entries() const;
    std::vector<std::string> texts() const;
    std::size_t size() const;
    std::size_t count(const std::string& text) const;

    // Waits (real time) until pred holds for the log; true if it did.
    bool waitFor(const std::function<bool(const std::vector<Entry>&)>& pred, std::int64_t timeoutMs) const;
    bool waitForCount(std::size_t n, std::int64_t timeoutMs) const;

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<Entry> entries_;
};

}  // namespace sim
