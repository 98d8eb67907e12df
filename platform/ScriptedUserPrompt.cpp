#include "platform/ScriptedUserPrompt.h"

#include <chrono>

namespace platform {

void ScriptedUserPrompt::answer(int id) {
    {
        std::lock_guard lock(mutex_);
        script_.push_back(id);
    }
    changed_.notify_all();
}

void ScriptedUserPrompt::answers(std::initializer_list<int> ids) {
    {
        std::lock_guard lock(mutex_);
        script_.insert(script_.end(), ids.begin(), ids.end());
    }
    changed_.notify_all();
}

void ScriptedUserPrompt::release() {
    {
        std::lock_guard lock(mutex_);
        waiting_ = false;
    }
    changed_.notify_all();
}

std::vector<ScriptedUserPrompt::Ask> ScriptedUserPrompt::asks() const {
    std::lock_guard lock(mutex_);
    return asks_;
}

std::size_t ScriptedUserPrompt::askCount() const {
    std::lock_guard lock(mutex_);
    return asks_.size();
}

bool ScriptedUserPrompt::waitForAsks(std::size_t n, std::int64_t timeoutMs) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return asks_.size() >= n; });
}

int ScriptedUserPrompt::show(const std::string& text, const std::string& caption, unsigned flags,
                             WindowHandle owner) {
    std::unique_lock lock(mutex_);
    asks_.push_back(Ask{text, caption, flags, owner});
    changed_.notify_all();
    changed_.wait(lock, [&] { return !script_.empty() || !waiting_; });
    if (script_.empty()) return DefaultAnswer(flags);
    const int id = script_.front();
    script_.pop_front();
    return id;
}

}  // namespace platform
