#pragma once

#include <cstdint>
#include <functional>

namespace platform {

// A weak reference to a window: a number handed out when a window binds
// itself (WindowBinding) and never reused. Holding one keeps nothing alive;
// a message to a window that has gone is dropped. The null handle (0) stands
// for "the main window" wherever a message target is expected.
struct WindowHandle {
    std::uint64_t id = 0;

    constexpr bool isNull() const { return id == 0; }
    constexpr explicit operator bool() const { return id != 0; }
    friend constexpr bool operator==(WindowHandle, WindowHandle) = default;
};

}  // namespace platform

template <>
struct std::hash<platform::WindowHandle> {
    std::size_t operator()(platform::WindowHandle h) const noexcept { return std::hash<std::uint64_t>()(h.id); }
};
