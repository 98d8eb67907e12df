#pragma once

#include "platform/WindowHandle.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>

namespace platform {

// The live windows that queued messages may reach, by weak handle. A window
// adds itself with the handler that receives its messages and removes itself
// before it goes (WindowBinding does both). Sends run on the calling thread:
// by rule only the user-interface thread sends, creates and destroys windows;
// the lock only keeps the table whole while other threads look handles up.
class WindowRegistry {
public:
    using Handler = std::function<std::intptr_t(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)>;

    // `native` is the toolkit's own window object (a QWidget*), for owners of
    // message boxes; it may be null.
    WindowHandle add(Handler handler, void* native = nullptr);
    void remove(WindowHandle handle);

    bool exists(WindowHandle handle) const;
    void* native(WindowHandle handle) const;

    // The application's main window, target of messages sent to the null
    // handle. Removing that window clears it.
    void setMainWindow(WindowHandle handle);
    WindowHandle mainWindow() const;

    // Resolves a null target to the main window and calls the window's
    // handler synchronously. Nothing when the window does not exist (or, for
    // a null target, when no main window does).
    std::optional<std::intptr_t> send(WindowHandle target, std::uint32_t message, std::uintptr_t wParam,
                                      std::intptr_t lParam) const;

private:
    struct Entry {
        std::shared_ptr<const Handler> handler;
        void* native;
    };
    mutable std::mutex mutex_;
    std::unordered_map<WindowHandle, Entry> windows_;
    WindowHandle main_;
    std::uint64_t nextId_ = 1;
};

// The process-wide registry.
WindowRegistry& windows();

// Shorthands on the process-wide registry.
inline bool IsWindow(WindowHandle handle) { return windows().exists(handle); }
inline std::optional<std::intptr_t> SendWindowMessage(WindowHandle target, std::uint32_t message,
                                                      std::uintptr_t wParam, std::intptr_t lParam) {
    return windows().send(target, message, wParam, lParam);
}

}  // namespace platform
