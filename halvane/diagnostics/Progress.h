#pragma once

#include "platform/UserPrompt.h"
#include "platform/WindowHandle.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace halvane::diagnostics::ConTypes {

// What a job on a worker thread reports through: a range and position for a
// progress bar, a status text, and the abort flag the user sets and the job
// polls. It also asks the job's questions and raises the job's failure when
// the user aborts.
//
// Threads: Abort runs on the user-interface thread, the rest on the job's
// worker. The flag is atomic; the status text and everything an
// implementation sends are guarded by one update lock, which Abort holds
// across its "Aborting..." text and the flag, so nothing the worker sends
// can slip in after it.
class Progress {
public:
    // `prompt` answers MessageBox; null: the process-wide prompt.
    explicit Progress(platform::UserPrompt* prompt = nullptr) : prompt_(prompt) {}
    virtual ~Progress() = default;
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    virtual void SetRange(int total) = 0;
    virtual void Step(int steps) = 0;
    virtual void SetText(std::string text) = 0;
    // The window that owns the job's message boxes.
    virtual platform::WindowHandle GetWindow() = 0;

    // Sends "Aborting..." through SetText while the flag is still clear, then
    // sets the flag. The flag is never cleared.
    virtual void Abort();
    virtual int IsAborted() const { return aborted_.load(); }
    // Raises "User Abort" once aborted.
    virtual void ThrowIfAborted();
    // "User Aborted!" once aborted, else the last text accepted by SetText.
    virtual std::string GetStatusText() const;
    // An empty caption becomes the program's name ("Halvane"). Blocks the
    // calling thread until the user answers; returns the button pressed.
    virtual int MessageBox(std::string text, std::string caption, unsigned flags);

protected:
    // Held by an implementation across its abort check and what it sends or
    // stores; recursive, because Abort holds it while calling SetText. The
    // user-interface thread takes it in Abort, so nothing done under it may
    // wait for that thread (queue messages; never ask the user).
    std::unique_lock<std::recursive_mutex> LockUpdates() const { return std::unique_lock(updateMutex_); }
    void StoreStatusText(std::string text);

private:
    std::atomic<std::int32_t> aborted_{0};
    mutable std::recursive_mutex updateMutex_;
    std::string statusText_;
    platform::UserPrompt* prompt_;
};

}  // namespace halvane::diagnostics::ConTypes
