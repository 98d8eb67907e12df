#include "sim/CommandLog.h"

#include <algorithm>
#include <chrono>

namespace sim {

void CommandLog::add(std::int64_t timeMs, std::string text) {
    {
        std::lock_guard lock(mutex_);
        entries_.push_back({timeMs, std::move(text)});
    }
    changed_.notify_all();
}

void CommandLog::clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
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

std::size_t CommandLog::count(const std::string& text) const {
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(
        std::count_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.text == text; }));
}

bool CommandLog::waitFor(const std::function<bool(const std::vector<Entry>&)>& pred, std::int64_t timeoutMs) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return pred(entries_); });
}

bool CommandLog::waitForCount(std::size_t n, std::int64_t timeoutMs) const {
    return waitFor([n](const std::vector<Entry>& e) { return e.size() >= n; }, timeoutMs);
}

}  // namespace sim
