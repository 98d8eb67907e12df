#pragma once

#include "halvane/diagnostics/HalvaneMessages.h"
#include "halvane/diagnostics/WndMessageQueue.h"

#include <cstdint>
#include <memory>
#include <string>

namespace halvane::diagnostics::Threading {

// The registered "UM_SET_DISPLAY_STRING-{F104D146-2E3F-4d35-9A07-1BCE83D4A0C9}".
constexpr const char* kSetDisplayStringName = diagnostics::messages::kSetDisplayString;
std::uint32_t UmSetDisplayString();

// A status text for a window: wParam 0, lParam points to the message's own
// copy of the text. The receiver reads it during the send and copies what it
// keeps; the copy is freed with the message, right after the send, whether
// or not the window still exists.
class SendStringWndMessage final : public WND_MSG {
public:
    SendStringWndMessage(platform::WindowHandle target, std::string text);

    const std::string& text() const { return *text_; }

    // The text a receiver finds behind the lParam of this message.
    static const std::string& TextOf(std::intptr_t lParam) { return *reinterpret_cast<const std::string*>(lParam); }

private:
    std::unique_ptr<std::string> text_;
};

}  // namespace halvane::diagnostics::Threading
