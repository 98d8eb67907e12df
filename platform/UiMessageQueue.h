#pragma once

#include "platform/WindowMessage.h"
#include "platform/WindowRegistry.h"

#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>

namespace platform {

// The one queue that carries window messages from any thread to the
// user-interface thread. Producers append under the lock and never wait for
// a window; the user-interface thread drains it (every 1 ms from the Qt
// pump, by hand in tests) and sends each message to its window in queue
// order. The lock covers only the append or the removal of one message, so a
// window handler may queue messages, and a modal loop inside a handler may
// drain again (nested drains share the queue and keep its order).
class UiMessageQueue {
public:
    explicit UiMessageQueue(WindowRegistry& registry = windows()) : registry_(&registry) {}
    ~UiMessageQueue() = default;  // messages still queued are freed, not sent
    UiMessageQueue(const UiMessageQueue&) = delete;
    UiMessageQueue& operator=(const UiMessageQueue&) = delete;

    // Takes ownership; a null message is ignored.
    void post(std::unique_ptr<WindowMessage> message);
    void post(WindowHandle target, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

    // Sends messages until the queue is empty, including those queued while
    // it runs. A null target goes to the main window; a message for a window
    // that does not exist is dropped. Each message is deleted after its send,
    // also when the handler throws. Returns how many messages were taken.
    std::size_t drain();

    std::size_t size() const;
    void discardAll();

private:
    std::unique_ptr<WindowMessage> takeFront();

    WindowRegistry* registry_;
    mutable std::mutex mutex_;
    std::deque<std::unique_ptr<WindowMessage>> messages_;
};

// The process-wide queue.
UiMessageQueue& uiMessageQueue();

// Shorthands on the process-wide queue.
inline void PostWindowMessage(WindowHandle target, std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam) {
    uiMessageQueue().post(target, message, wParam, lParam);
}
inline void PostWindowMessageObject(std::unique_ptr<WindowMessage> message) {
    uiMessageQueue().post(std::move(message));
}
// Called on the user-interface thread only.
inline std::size_t DrainUiMessageQueue() { return uiMessageQueue().drain(); }

}  // namespace platform
