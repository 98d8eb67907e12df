#include "sim/CommandLog.h"

#include <algorithm>
#include <chrono>

namespace sim {

void CommandLog::add(std::int64_t timeMs, std::string text) {
    {
        std::lock_guard lock(mutex_);
        entries_.push_back({timeMs, std::move(text)});
        ++total_;
        // In batches of half the limit, so that each command is moved at
        // most twice on average.
        if (limit_ > 0 && entries_.size() >= limit_ + limit_ / 2 + 1) {
            const std::size_t drop = entries_.size() - limit_;
            entries_.erase(entries_.begin(), entries_.begin() + static_cast<std::ptrdiff_t>(drop));
            first_ += drop;
        }
    }
    changed_.notify_all();
}

void CommandLog::clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
    first_ = total_;
}

void CommandLog::setLimit(std::size_t entries) {
    std::lock_guard lock(mutex_);
    limit_ = entries;
}

std::vector<CommandLog::Entry> CommandLog::entries() const {
    std::lock_guard lock(mutex_);
    return entries_;
}

std::vector<std::string> CommandLog::texts() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> t;
    t.reserve(entries_.size());
    for (const auto& e : entries_) t.push_back(e.text);
    return t;
}

std::size_t CommandLog::size() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

std::uint64_t CommandLog::total() const {
    std::lock_guard lock(mutex_);
    return total_;
}

std::size_t CommandLog::count(const std::string& text) const {
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(
        std::count_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.text == text; }));
}

std::vector<CommandLog::Entry> CommandLog::since(std::uint64_t& next, std::size_t max, std::uint64_t* missed) const {
    std::lock_guard lock(mutex_);
    if (missed) *missed = next < first_ ? first_ - next : 0;
    if (next < first_) next = first_;
    std::vector<Entry> out;
    const std::size_t from = static_cast<std::size_t>(next - first_);
    const std::size_t to = std::min(entries_.size(), from + max);
    if (from < to) out.assign(entries_.begin() + static_cast<std::ptrdiff_t>(from), entries_.begin() + static_cast<std::ptrdiff_t>(to));
    next += out.size();
    return out;
}

bool CommandLog::waitForNew(std::uint64_t next, std::int64_t timeoutMs) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return total_ > next; });
}

bool CommandLog::waitFor(const std::function<bool(const std::vector<Entry>&)>& pred, std::int64_t timeoutMs) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return pred(entries_); });
}

bool CommandLog::waitForCount(std::size_t n, std::int64_t timeoutMs) const {
    return waitFor([n](const std::vector<Entry>& e) { return e.size() >= n; }, timeoutMs);
}

}  // namespace sim
