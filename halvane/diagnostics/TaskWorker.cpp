#include "halvane/diagnostics/TaskWorker.h"

#include "halvane/diagnostics/TException.h"
#include "platform/UiThread.h"
#include "platform/UserPrompt.h"

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <stdexcept>

namespace halvane::diagnostics::Threading {

struct TaskWorker::Shared {
    mutable std::mutex mutex;
    std::condition_variable wake;
    bool quit = false;
    bool work = false;
    std::deque<Task> queue;
    std::atomic<bool> ended{false};
};

const char* TaskWorker::UnhandledExceptionText() {
    return "Unhandled exception. Application termination is highly recommended.";
}

TaskWorker::TaskWorker() : shared_(std::make_shared<Shared>()) {
    // The shared state is complete before the thread starts, so a task
    // posted straight after construction is never missed by the worker.
    thread_ = std::thread(&TaskWorker::threadLoop, shared_);
}

TaskWorker::~TaskWorker() noexcept(false) {
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(shared_->mutex);
        shared_->quit = true;
        shared_->wake.notify_all();
    }
    if (IsWorkerThread()) {
        thread_.detach();
        throw std::logic_error("a thread handler was destroyed by a task on its own worker thread");
    }
    Shared& shared = *shared_;
    platform::PumpUiUntil([&shared] { return shared.ended.load(); });
    thread_.join();
}

void TaskWorker::PostTask(Task task) {
    std::lock_guard lock(shared_->mutex);
    shared_->queue.push_back(std::move(task));
    shared_->work = true;
    // Notified under the lock: once it is released, the task may run and its
    // owner destroy this handler while the poster would still be here.
    shared_->wake.notify_all();
}

void TaskWorker::PostTasks(std::vector<Task> tasks) {
    std::lock_guard lock(shared_->mutex);
    for (Task& task : tasks) shared_->queue.push_back(std::move(task));
    shared_->work = true;
    shared_->wake.notify_all();
}

void TaskWorker::Clear() {
    std::deque<Task> dropped;
    std::lock_guard lock(shared_->mutex);
    shared_->work = false;
    dropped.swap(shared_->queue);
    // `dropped` is destroyed after the unlock: a task's captures may be
    // anything, and none of it runs under the queue's lock.
}

std::size_t TaskWorker::QueuedCount() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->queue.size();
}

bool TaskWorker::IsRunning() const { return !shared_->ended.load(); }

void TaskWorker::threadLoop(std::shared_ptr<Shared> shared) {
    for (;;) {
        {
            std::unique_lock lock(shared->mutex);
            shared->wake.wait(lock, [&] { return shared->quit || shared->work; });
            if (shared->quit) break;  // quit wins when both are signalled
            shared->work = false;     // the wake-up consumes the auto-reset signal
        }
        drain(*shared);
    }
    shared->ended.store(true);
}

void TaskWorker::drain(Shared& shared) {
    for (;;) {
        Task task;
        {
            std::lock_guard lock(shared.mutex);
            if (shared.quit) return;  // stopping: the rest is dropped unrun
            if (shared.queue.empty()) {
                shared.work = false;
                return;
            }
            task = std::move(shared.queue.front());
            shared.queue.pop_front();
        }
        if (!task) continue;
        try {
            task();
        } catch (const diagnostics::TException& e) {
            // Tasks that want the text shown catch it themselves; one that
            // did not is still said on the error output, not lost.
            std::fprintf(stderr, "%s\n", e.what());
        } catch (...) {
            try {
                platform::CurrentUserPrompt().MessageBox(UnhandledExceptionText(), "Error",
                                                         platform::MB_OK | platform::MB_ICONERROR);
            } catch (...) {
                // The box is the one report of a task's unexpected failure;
                // when even it cannot be shown, the error output hears of it.
                std::fprintf(stderr, "%s\n", UnhandledExceptionText());
            }
            return;  // ends this pass; the rest waits for the next work signal
        }
    }
}

}  // namespace halvane::diagnostics::Threading
