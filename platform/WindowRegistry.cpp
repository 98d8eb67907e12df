#include "platform/WindowRegistry.h"

namespace platform {

WindowHandle WindowRegistry::add(Handler handler, void* native) {
    std::lock_guard lock(mutex_);
    const WindowHandle handle{nextId_++};
    windows_.emplace(handle, Entry{std::make_shared<const Handler>(std::move(handler)), native});
    return handle;
}

void WindowRegistry::remove(WindowHandle handle) {
    std::lock_guard lock(mutex_);
    windows_.erase(handle);
    if (main_ == handle) main_ = WindowHandle{};
}

bool WindowRegistry::exists(WindowHandle handle) const {
    std::lock_guard lock(mutex_);
    return windows_.count(handle) != 0;
}

void* WindowRegistry::native(WindowHandle handle) const {
    std::lock_guard lock(mutex_);
    const auto it = windows_.find(handle);
    return it == windows_.end() ? nullptr : it->second.native;
}

void WindowRegistry::setMainWindow(WindowHandle handle) {
    std::lock_guard lock(mutex_);
    main_ = handle;
}

WindowHandle WindowRegistry::mainWindow() const {
    std::lock_guard lock(mutex_);
    return main_;
}

std::optional<std::intptr_t> WindowRegistry::send(WindowHandle target, std::uint32_t message,
                                                  std::uintptr_t wParam, std::intptr_t lParam) const {
    std::shared_ptr<const Handler> handler;
    {
        std::lock_guard lock(mutex_);
        if (target.isNull()) target = main_;
        const auto it = windows_.find(target);
        if (it == windows_.end()) return std::nullopt;
        // Held by copy: a handler that destroys its own window (a dialog that
        // ends) must not free the function it is running in.
        handler = it->second.handler;
    }
    if (!*handler) return std::nullopt;
    return (*handler)(message, wParam, lParam);
}

WindowRegistry& windows() {
    static WindowRegistry registry;
    return registry;
}

}  // namespace platform
