#pragma once

#include "platform/WindowHandle.h"

#include <cstdint>

namespace platform {

// The messages of the progress-bar control that jobs drive from worker
// threads (their classic numbers, so the queue carries them unchanged).
constexpr std::uint32_t WM_USER = 0x0400;
constexpr std::uint32_t PBM_SETPOS = WM_USER + 2;      // wParam: new position
constexpr std::uint32_t PBM_SETRANGE32 = WM_USER + 6;  // wParam: low, lParam: high

// One queued window message. The producer allocates it; queuing hands it
// over, and the drain deletes it after the send, so a subclass that owns a
// payload (a text) frees it in its destructor, exactly once.
class WindowMessage {
public:
    WindowMessage(WindowHandle target, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)
        : target(target), message(message), wParam(wParam), lParam(lParam) {}
    virtual ~WindowMessage() = default;
    WindowMessage(const WindowMessage&) = delete;
    WindowMessage& operator=(const WindowMessage&) = delete;

    WindowHandle target;  // null: the main window, looked up at the send
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

}  // namespace platform
