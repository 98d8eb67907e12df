#include "halvane/diagnostics/MultiThreadedProgress.h"

#include "halvane/diagnostics/SendStringWndMessage.h"
#include "halvane/diagnostics/WndMessageQueue.h"
#include "platform/WindowMessage.h"

namespace halvane::diagnostics::ConTypes {

MultiThreadedProgress::MultiThreadedProgress(platform::WindowHandle progressBar, platform::WindowHandle statusWindow,
                                             platform::UserPrompt* prompt)
    : Progress(prompt), statusWindow_(statusWindow), progressBar_(progressBar) {
    Threading::PostWndMessage(progressBar_, platform::PBM_SETRANGE32, 0, 0);
}

void MultiThreadedProgress::SetRange(int total) {
    auto lock = LockUpdates();
    if (IsAborted() != 0) return;
    total_ = total;
    position_ = 0;
    Threading::PostWndMessage(progressBar_, platform::PBM_SETRANGE32, 0, total);
}

void MultiThreadedProgress::Step(int steps) {
    auto lock = LockUpdates();
    if (IsAborted() != 0) return;
    position_ += steps;
    // The position travels as the unsigned wParam; the bar reads it back as int.
    Threading::PostWndMessage(progressBar_, platform::PBM_SETPOS, static_cast<std::uintptr_t>(position_), 0);
}

void MultiThreadedProgress::SetText(std::string text) {
    auto lock = LockUpdates();
    if (IsAborted() != 0) return;
    StoreStatusText(text);
    Threading::PostWndMessageObject(std::make_unique<Threading::SendStringWndMessage>(statusWindow_, std::move(text)));
}

int MultiThreadedProgress::Total() const {
    auto lock = LockUpdates();
    return total_;
}

int MultiThreadedProgress::Position() const {
    auto lock = LockUpdates();
    return position_;
}

}  // namespace halvane::diagnostics::ConTypes
