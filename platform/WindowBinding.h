#pragma once

#include "platform/WindowHandle.h"
#include "platform/WindowRegistry.h"

namespace platform {

// Makes an object reachable by queued window messages for as long as the
// binding lives: a window holds one as a member, so the handle dies with the
// window and later messages to it are dropped.
class WindowBinding {
public:
    WindowBinding() = default;
    explicit WindowBinding(WindowRegistry::Handler handler, void* native = nullptr,
                           WindowRegistry& registry = windows())
        : registry_(&registry), handle_(registry.add(std::move(handler), native)) {}
    ~WindowBinding() { reset(); }

    WindowBinding(WindowBinding&& other) noexcept : registry_(other.registry_), handle_(other.handle_) {
        other.handle_ = WindowHandle{};
    }
    WindowBinding& operator=(WindowBinding&& other) noexcept {
        if (this != &other) {
            reset();
            registry_ = other.registry_;
            handle_ = other.handle_;
            other.handle_ = WindowHandle{};
        }
        return *this;
    }
    WindowBinding(const WindowBinding&) = delete;
    WindowBinding& operator=(const WindowBinding&) = delete;

    WindowHandle handle() const { return handle_; }

    // Makes this window the target of messages sent to the null handle.
    void makeMainWindow() {
        if (registry_ != nullptr) registry_->setMainWindow(handle_);
    }

    void reset() {
        if (registry_ != nullptr && handle_) registry_->remove(handle_);
        handle_ = WindowHandle{};
    }

private:
    WindowRegistry* registry_ = nullptr;
    WindowHandle handle_;
};

}  // namespace platform
