#pragma once

#include "platform/WindowHandle.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

namespace halvane::procedures {

class CProcBase;

// The host of a running procedure, as the job sees it: the modal progress
// dialog, the wizard, or a test. The job reports its progress, status texts
// and its end through it, and polls the host's running flag for an abort.
//
// Threads: the job calls everything from its worker (or, under a synchronous
// host, from the caller's thread); implementations must not touch a window
// directly (they queue window messages). The running flag is written by the
// user-interface thread and read by the job.
//
// A host implements GetResult, DeliverDone, GetHwnd, SetDisplayString,
// SetRange and SetPos; SetRange and SetPos keep `total_` and `position_`.
class IProcDialog {
public:
    IProcDialog() = default;
    virtual ~IProcDialog() = default;
    IProcDialog(const IProcDialog&) = delete;
    IProcDialog& operator=(const IProcDialog&) = delete;

    // The result last given to Done (the progress dialog always says 0: its
    // result is the code it was ended with).
    virtual int GetResult() = 0;

    // The job has ended with `result`. While the procedure's Execute runs,
    // the first completion is held and handed on when the body has been
    // left and its failure text stored, so whoever receives the end always
    // finds the last error; later completions of the same run are dropped.
    // Outside a run it is handed on at once.
    void Done(int result);

    // The host's window: owner of the job's questions.
    virtual platform::WindowHandle GetHwnd() = 0;
    // A status text; thread-safe.
    virtual void SetDisplayString(std::string text) = 0;
    // The toolkit's own window object behind GetHwnd (a QWidget*), or null.
    virtual void* GetWnd();

    virtual void SetRange(int total) = 0;
    // position += n, then SetPos(position).
    virtual void Step(int n);
    // position := total - n, then SetPos(position).
    virtual void SetRemaining(int n);
    virtual void SetPos(int position) = 0;

    // 1 from construction; 0 once the user has aborted. Jobs keep a pointer
    // to it and poll it (CheckAbort).
    std::atomic<std::int32_t>& RunningFlag() { return running_; }
    int Total() const { return total_.load(); }
    int Position() const { return position_.load(); }

protected:
    // Receives each completion handed on by Done.
    virtual void DeliverDone(int result) = 0;

    std::atomic<int> total_{0};
    std::atomic<int> position_{0};
    std::atomic<std::int32_t> running_{1};

private:
    friend class CProcBase;
    void HoldCompletion();
    // Ends the hold; the completion held during it, if any.
    std::optional<int> ReleaseCompletion();

    std::mutex completionMutex_;
    bool holding_ = false;
    std::optional<int> held_;
};

}  // namespace halvane::procedures
