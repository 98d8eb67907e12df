#include "halvane/procedures/framework/CProcBase.h"

#include "halvane/diagnostics/TCodedException.h"
#include "platform/UiThread.h"

#include <chrono>
#include <exception>
#include <stdexcept>

namespace halvane::procedures {

CProcBase::CProcBase(document::CHalvaneDoc* document) : document_(document) {}

CProcBase::~CProcBase() noexcept(false) { worker_.reset(); }

void CProcBase::OnProcedureComplete(int, const diagnostics::TException*, platform::WindowHandle) {}

void CProcBase::Abort() {
    IProcDialog* host = Host();
    if (worker_ && !worker_->IsRunning() && host != nullptr) host->Done(2);
    if (host != nullptr) host->RunningFlag().store(0);
}

void CProcBase::Start(void* argument) {
    if (!worker_) throw std::logic_error("CProcBase::Start called without a worker");
    {
        std::lock_guard lock(runsMutex_);
        ++queuedRuns_;
    }
    worker_->Post(&CProcBase::ExecuteQueued, this, argument);
}

void CProcBase::ExecuteQueued(void* argument) {
    Execute(argument);
    std::lock_guard lock(runsMutex_);
    --queuedRuns_;
    // Notified under the lock: the waiter may destroy this object as soon as
    // it sees the count drop.
    runsDone_.notify_all();
}

int CProcBase::Execute(void* argument) {
    IProcDialog* host = Host();
    lastError_.reset();
    if (host != nullptr) host->HoldCompletion();

    int value = -1;
    std::unique_ptr<diagnostics::TException> failure;
    try {
        value = Run(argument);
    } catch (const diagnostics::TException& e) {
        failure = std::make_unique<diagnostics::TException>(e.message());
    } catch (const diagnostics::TCodedException& e) {
        failure = std::make_unique<diagnostics::TException>(e.message);
    } catch (const std::exception& e) {
        failure = std::make_unique<diagnostics::TException>(e.what());
    } catch (...) {
        failure = std::make_unique<diagnostics::TException>("Unrecognized exception");
    }
    if (failure) {
        value = -1;
        lastError_ = std::move(failure);
    }

    if (host != nullptr) {
        // The text is stored before anyone hears of the end.
        const std::optional<int> held = host->ReleaseCompletion();
        host->Done(held.value_or(2));
    }
    return value;
}

void CProcBase::CreateWorker() {
    worker_.reset();
    worker_ = std::make_unique<Worker>();
}

bool CProcBase::HasQueuedRuns() const {
    std::lock_guard lock(runsMutex_);
    return queuedRuns_ > 0;
}

void CProcBase::WaitForQueuedRuns() {
    auto finished = [this] {
        std::lock_guard lock(runsMutex_);
        return queuedRuns_ == 0 || !worker_ || !worker_->IsRunning();
    };
    if (platform::PumpUiUntil(finished)) return;
    std::unique_lock lock(runsMutex_);
    // A worker whose thread has ended dropped its queue unrun; the short
    // waits notice that without a signal.
    while (queuedRuns_ > 0 && worker_ && worker_->IsRunning())
        runsDone_.wait_for(lock, std::chrono::milliseconds(10));
}

}  // namespace halvane::procedures
