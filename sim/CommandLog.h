#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace sim {

// The commands a simulated processor received, with the time each came.
// Unbounded by default, as a test's exchanges are short; a long-running
// simulator sets a limit and keeps only the newest commands, while a reader
// that follows the log (since) still sees every command as it comes, or
// hears how many it missed.
class CommandLog {
public:
    struct Entry {
        std::int64_t timeMs;
        std::string text;
    };

    void add(std::int64_t timeMs, std::string text);
    void clear();

    // Keep at most about `entries` of the newest commands (0: all). The log
    // drops the oldest in batches, so it may briefly hold half as many more.
    void setLimit(std::size_t entries);

    std::vector<Entry> entries() const;
    std::vector<std::string> texts() const;
    std::size_t size() const;
    std::size_t count(const std::string& text) const;
    // Every command ever added, kept or not (clear does not reset it).
    std::uint64_t total() const;

    // The commands added since the reader's position `next` (a count of
    // total()), at most `max` of them; moves `next` on past them. `missed`
    // gets how many were dropped by the limit before the reader got to them.
    std::vector<Entry> since(std::uint64_t& next, std::size_t max, std::uint64_t* missed = nullptr) const;
    // Waits (real time) until a command past `next` has come; true if one did.
    bool waitForNew(std::uint64_t next, std::int64_t timeoutMs) const;

    // Waits (real time) until pred holds for the log; true if it did.
    bool waitFor(const std::function<bool(const std::vector<Entry>&)>& pred, std::int64_t timeoutMs) const;
    bool waitForCount(std::size_t n, std::int64_t timeoutMs) const;

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<Entry> entries_;
    std::uint64_t total_ = 0;  // commands ever added
    std::uint64_t first_ = 0;  // the count of entries_[0]
    std::size_t limit_ = 0;
};

}  // namespace sim
