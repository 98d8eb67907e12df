#pragma once

#include "halvane/link/CBasicTessikPort.h"

#include <exception>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace halvane::procedures {

// The one way every job leaves the processor (measurement, upload, erase,
// Quick Measure): the exit actions it arms as it changes the processor's or
// the host's state (end the measurement or the upload, tone off, power off,
// release the unit...). Leaving the scope runs the armed ones in reverse
// order of arming, each whatever the others did, so a failure part-way never
// leaves the processor half set up; an action that is only for a failure is
// dismissed once its step has ended well. On the successful road the job
// calls RunAll itself, so a failing exit action still fails the job. On a
// failed line or after an abort the processor is tried once, briefly.
class ExitActions {
public:
    using Id = std::size_t;

    ExitActions() = default;
    ExitActions(const ExitActions&) = delete;
    ExitActions& operator=(const ExitActions&) = delete;
    // While unwinding, an action's own failure can only be dropped: the
    // failure that is leaving the job is the one the user is told about.
    ~ExitActions() { runAll(); }

    // The line the actions talk through, once the job holds a unit.
    void UsePort(link::Comm::CBasicTessikPort& port) { port_ = &port; }

    Id Arm(std::function<void()> action) {
        actions_.push_back(std::move(action));
        return actions_.size() - 1;
    }
    // The step completed on its own; its action no longer runs.
    void Dismiss(Id id) {
        if (id < actions_.size()) actions_[id] = nullptr;
    }
    // Runs every armed action, newest first, and rethrows the first failure
    // once all have run.
    void RunAll() {
        if (const std::exception_ptr failure = runAll()) std::rethrow_exception(failure);
    }

private:
    std::exception_ptr runAll() noexcept {
        // On a failed line or after an abort, the processor is tried once,
        // briefly; the commands still go out.
        std::optional<link::Comm::CBasicTessikPort::ExitPath> onTheWayOut;
        if (port_ != nullptr) onTheWayOut.emplace(*port_);
        std::exception_ptr first;
        while (!actions_.empty()) {
            std::function<void()> action = std::move(actions_.back());
            actions_.pop_back();
            if (!action) continue;
            try {
                action();
            } catch (...) {
                if (!first) first = std::current_exception();
            }
        }
        return first;
    }

    std::vector<std::function<void()>> actions_;
    link::Comm::CBasicTessikPort* port_ = nullptr;
};

}  // namespace halvane::procedures
