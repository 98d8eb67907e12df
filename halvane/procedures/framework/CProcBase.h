#pragma once

#include "halvane/diagnostics/TException.h"
#include "halvane/diagnostics/ThreadHandler.h"
#include "halvane/procedures/framework/IProcDialog.h"
#include "platform/WindowHandle.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

namespace halvane::document {
class CHalvaneDoc;
}

namespace halvane::procedures {

  // the project document; the procedures only carry it

// The base of every long job (measure, calculate, upload, erase, crossover
// detection, target recalculation). DoProcedure runs it: its body Run
// executes on a worker of its own under the modal progress dialog, or
// synchronously on the caller's thread under a host (the wizard, a test),
// and reports through the host (IProcDialog).
//
// Result codes: 1 completed; 2 terminated (the body was left by an
// exception: a failure or "Procedure aborted\n", its text kept as the last
// error); jobs may end with other codes of their own through Done.
class CProcBase {
public:
    using Worker = diagnostics::Threading::UIThreadHandler<CProcBase, void*>;

    explicit CProcBase(document::CHalvaneDoc* document = nullptr);
    // Stops and joins the worker (see TaskWorker: on the user-interface
    // thread the wait keeps the interface's events running).
    virtual ~CProcBase() noexcept(false);
    CProcBase(const CProcBase&) = delete;
    CProcBase& operator=(const CProcBase&) = delete;

    // Called by DoProcedure on the calling thread once the job has ended,
    // with the result and the run's failure (null when none). Empty here.
    virtual void OnProcedureComplete(int result, const diagnostics::TException* lastError, platform::WindowHandle parent);

    // Asks the running job to stop: clears the host's running flag, which
    // the job polls. A worker whose thread has ended can run nothing any
    // more, so then the host is ended with 2 at once.
    virtual void Abort();

    // Queues one run (Execute with `argument`) on the worker, which must
    // exist (DoProcedure creates it); std::logic_error otherwise.
    virtual void Start(void* argument);

    // The job's body. It arms a DoneGuard first thing, polls the running
    // flag, and ends the host with Done(1) (or a code of its own).
    virtual int Run(void* argument) = 0;

    // Runs the body once and returns its value, or -1 when it was left by an
    // exception. Any exception is caught: its text becomes the last error (a
    // TException's message, a std::exception's what(), a coded exception's
    // message; "Unrecognized exception" for anything else). The host's
    // completion is held until the text is stored, and a body left without
    // ending its host (one without a guard) ends it with 2, so no run can
    // leave a dialog or a wizard waiting. Never throws.
    int Execute(void* argument);

    // The failure of the last run (cleared when a run starts), or null.
    const diagnostics::TException* LastError() const { return lastError_.get(); }
    // The text of the last run's failure, or `otherwise` when it left none
    // (a run ended from outside, or never started).
    std::string LastErrorText(const std::string& otherwise) const {
        return lastError_ && !lastError_->message().empty() ? lastError_->message() : otherwise;
    }
    const std::string& Title() const { return title_; }
    IProcDialog* Host() const { return host_.load(); }
    void SetHost(IProcDialog* host) { host_.store(host); }
    document::CHalvaneDoc* Document() const { return document_; }

    // Replaces the worker with a fresh one; the old one's thread has ended
    // before the new one starts.
    void CreateWorker();
    Worker* GetWorker() const { return worker_.get(); }

    // Waits until no queued run is pending or running on the worker (or the
    // worker's thread has ended). On the user-interface thread the wait keeps
    // the interface's events running, so a job's question can be answered.
    void WaitForQueuedRuns();
    bool HasQueuedRuns() const;

protected:
    std::string title_ = "Processing";

private:
    void ExecuteQueued(void* argument);

    std::unique_ptr<diagnostics::TException> lastError_;
    std::unique_ptr<Worker> worker_;
    std::atomic<IProcDialog*> host_{nullptr};
    document::CHalvaneDoc* document_;

    mutable std::mutex runsMutex_;
    std::condition_variable runsDone_;
    int queuedRuns_ = 0;
};

}  // namespace halvane::procedures
