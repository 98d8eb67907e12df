#include "halvane/diagnostics/Progress.h"

#include "halvane/diagnostics/HalvaneStrings.h"
#include "halvane/diagnostics/ThrowError.h"

namespace halvane::diagnostics::ConTypes {

void Progress::Abort() {
    auto lock = LockUpdates();
    SetText("Aborting...");
    aborted_.store(1);
}

void Progress::ThrowIfAborted() {
    if (IsAborted() != 0) diagnostics::ThrowError("User Abort");
}

std::string Progress::GetStatusText() const {
    if (IsAborted() != 0) return "User Aborted!";
    auto lock = LockUpdates();
    return statusText_;
}

void Progress::StoreStatusText(std::string text) {
    auto lock = LockUpdates();
    statusText_ = std::move(text);
}

int Progress::MessageBox(std::string text, std::string caption, unsigned flags) {
    if (caption.empty()) caption = diagnostics::ProgramName();
    platform::UserPrompt& prompt = prompt_ != nullptr ? *prompt_ : platform::CurrentUserPrompt();
    return prompt.MessageBox(text, caption, flags, GetWindow());
}

}  // namespace halvane::diagnostics::ConTypes
