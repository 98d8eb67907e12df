#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace halvane::diagnostics::Threading {

// The machinery under every thread handler: one worker thread, a quit flag,
// a work signal and a queue of tasks under one lock. Any thread may post;
// the worker runs the tasks one at a time in posting order.
//
// Two signals live under the queue's lock, so a post and a wake-up can never
// pass each other unseen: `quit` is sticky and wins over work; `work` is set by a post and consumed by the
// wake-up (auto reset), and cleared again by a pop that finds the queue
// empty. So after a task fails with anything but a TException, the pass
// ends and the tasks still queued run only once work is signalled again: at
// once if a post came during the pass, else at the next post.
class TaskWorker {
public:
    using Task = std::function<void()>;  // empty: a null function, skipped

    // Starts the worker thread; from then on it waits for work.
    TaskWorker();

    // Signals quit and waits without limit for the worker to finish the task
    // it is running; tasks still queued are dropped unrun. On the
    // user-interface thread the wait keeps the interface's events running, so
    // a task blocked on a message box can still be answered. Called on the
    // worker itself (a task destroying its own handler) it cannot wait for
    // itself: it lets the worker end after that task and throws
    // std::logic_error.
    virtual ~TaskWorker() noexcept(false);

    TaskWorker(const TaskWorker&) = delete;
    TaskWorker& operator=(const TaskWorker&) = delete;

    // Appends a task and signals work. Callable from any thread, including
    // the worker itself.
    void PostTask(Task task);

    // Appends several tasks under one hold of the lock and signals work once,
    // so the worker sees them all in one pass.
    void PostTasks(std::vector<Task> tasks);

    // Drops every queued task without running it and clears the work signal.
    // A task running now completes.
    void Clear();

    std::size_t QueuedCount() const;
    // True until the worker thread has ended its loop.
    bool IsRunning() const;
    bool IsWorkerThread() const { return std::this_thread::get_id() == thread_.get_id(); }

    // The text the worker shows (caption "Error", error icon, no owner) when
    // a task ends with anything but a TException.
    static const char* UnhandledExceptionText();

private:
    struct Shared;
    static void threadLoop(std::shared_ptr<Shared> shared);
    static void drain(Shared& shared);

    // Shared with the thread, so a worker whose handler was destroyed from
    // inside one of its own tasks can still end cleanly.
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};

}  // namespace halvane::diagnostics::Threading
