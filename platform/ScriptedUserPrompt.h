#pragma once

#include "platform/UserPrompt.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

// A prompt for tests: records every question and answers from a script.
// With no scripted answer left it gives DefaultAnswer, or, in waiting mode,
// blocks the asking thread until the test scripts one (as a user who has
// not answered yet). Thread-safe.
class ScriptedUserPrompt final : public UserPrompt {
public:
    struct Ask {
        std::string text;
        std::string caption;
        unsigned flags = 0;
        WindowHandle owner;
    };

    explicit ScriptedUserPrompt(bool waitForAnswers = false) : waiting_(waitForAnswers) {}
    ~ScriptedUserPrompt() override { release(); }

    void answer(int id);
    void answers(std::initializer_list<int> ids);

    // Ends waiting mode: every blocked and later question gets DefaultAnswer
    // (or a scripted answer still left).
    void release();

    std::vector<Ask> asks() const;
    std::size_t askCount() const;
    // Waits (real time) until at least `n` questions were asked.
    bool waitForAsks(std::size_t n, std::int64_t timeoutMs = 10000) const;

protected:
    int show(const std::string& text, const std::string& caption, unsigned flags, WindowHandle owner) override;

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::deque<int> script_;
    std::vector<Ask> asks_;
    bool waiting_;
};

}  // namespace platform
