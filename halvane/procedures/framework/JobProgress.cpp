#include "halvane/procedures/framework/JobProgress.h"

#include "halvane/procedures/framework/CProcBase.h"

namespace halvane::procedures {

void JobProgress::SetRange(int total) {
    auto lock = LockUpdates();
    if (IProcDialog* host = job_.Host()) host->SetRange(total);
}

void JobProgress::Step(int steps) {
    auto lock = LockUpdates();
    if (IProcDialog* host = job_.Host()) host->Step(steps);
}

void JobProgress::SetRemaining(int n) {
    auto lock = LockUpdates();
    if (IProcDialog* host = job_.Host()) host->SetRemaining(n);
}

void JobProgress::SetText(std::string text) {
    auto lock = LockUpdates();
    StoreStatusText(text);
    if (IProcDialog* host = job_.Host()) host->SetDisplayString(std::move(text));
}

platform::WindowHandle JobProgress::GetWindow() {
    IProcDialog* host = job_.Host();
    return host != nullptr ? host->GetHwnd() : platform::WindowHandle{};
}

void JobProgress::Abort() {
    Progress::Abort();
    job_.Abort();
}

int JobProgress::IsAborted() const {
    if (Progress::IsAborted() != 0) return 1;
    IProcDialog* host = job_.Host();
    return host != nullptr && host->RunningFlag().load() == 0 ? 1 : 0;
}

}  // namespace halvane::procedures
