#include "halvane/procedures/framework/IProcDialog.h"

#include "platform/WindowRegistry.h"

namespace halvane::procedures {

void IProcDialog::Done(int result) {
    {
        std::lock_guard lock(completionMutex_);
        if (holding_) {
            if (!held_) held_ = result;
            return;
        }
    }
    DeliverDone(result);
}

void* IProcDialog::GetWnd() { return platform::windows().native(GetHwnd()); }

void IProcDialog::Step(int n) {
    position_ += n;
    SetPos(position_.load());
}

void IProcDialog::SetRemaining(int n) {
    position_ = total_.load() - n;
    SetPos(position_.load());
}

void IProcDialog::HoldCompletion() {
    std::lock_guard lock(completionMutex_);
    holding_ = true;
    held_.reset();
}

std::optional<int> IProcDialog::ReleaseCompletion() {
    std::lock_guard lock(completionMutex_);
    holding_ = false;
    std::optional<int> held = held_;
    held_.reset();
    return held;
}

}  // namespace halvane::procedures
