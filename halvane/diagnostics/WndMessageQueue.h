#pragma once

#include "platform/UiMessageQueue.h"
#include "platform/WindowHandle.h"
#include "platform/WindowMessage.h"

#include <cstdint>
#include <memory>

namespace halvane::diagnostics::Threading {

// Halvane's names for the process-wide window-message queue: workers never
// call a window; they queue a message and the user-interface thread sends
// it (DrainUiMessageQueue, every 1 ms). A null target means the main window.
using WND_MSG = platform::WindowMessage;

// Queues a plain message; safe from any thread, never blocks on a window.
inline void PostWndMessage(platform::WindowHandle target, std::uint32_t message, std::uintptr_t wParam,
                           std::intptr_t lParam) {
    platform::PostWindowMessage(target, message, wParam, lParam);
}

// Queues a message the caller built and takes it over; null is ignored.
inline void PostWndMessageObject(std::unique_ptr<WND_MSG> message) {
    platform::PostWindowMessageObject(std::move(message));
}
inline void PostWndMessageObject(WND_MSG* message) { PostWndMessageObject(std::unique_ptr<WND_MSG>(message)); }

using platform::DrainUiMessageQueue;

}  // namespace halvane::diagnostics::Threading
