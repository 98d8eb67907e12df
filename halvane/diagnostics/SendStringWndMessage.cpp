#include "halvane/diagnostics/SendStringWndMessage.h"

#include "halvane/diagnostics/HalvaneMessages.h"
#include "platform/WindowMessageNames.h"

namespace halvane::diagnostics::Threading {

std::uint32_t UmSetDisplayString() {
    static const std::uint32_t id = platform::RegisterWindowMessage(kSetDisplayStringName);
    return id;
}

SendStringWndMessage::SendStringWndMessage(platform::WindowHandle target, std::string text)
    : WND_MSG(target, UmSetDisplayString(), 0, 0), text_(std::make_unique<std::string>(std::move(text))) {
    lParam = reinterpret_cast<std::intptr_t>(text_.get());
}

}  // namespace halvane::diagnostics::Threading
