#pragma once

#include "halvane/diagnostics/SendStringWndMessage.h"
#include "platform/WindowBinding.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// A window for tests: records every message sent to it (the text of a
// display-string message is copied during the send, as a real window must).
class RecordingWindow {
public:
    struct Received {
        std::uint32_t message;
        std::uintptr_t wParam;
        std::intptr_t lParam;
        std::string text;
    };

    RecordingWindow()
        : binding_([this](std::uint32_t m, std::uintptr_t w, std::intptr_t l) { return onMessage(m, w, l); }) {}
    RecordingWindow(const RecordingWindow&) = delete;
    RecordingWindow& operator=(const RecordingWindow&) = delete;

    platform::WindowHandle handle() const { return binding_.handle(); }
    void makeMainWindow() { binding_.makeMainWindow(); }
    void destroy() { binding_.reset(); }

    // Runs during each send, after the message was recorded.
    std::function<void(const Received&)> onReceive;

    std::vector<Received> received() const {
        std::lock_guard lock(mutex_);
        return received_;
    }

private:
    std::intptr_t onMessage(std::uint32_t m, std::uintptr_t w, std::intptr_t l) {
        Received r{m, w, l, {}};
        if (m == halvane::diagnostics::Threading::UmSetDisplayString()) r.text = halvane::diagnostics::Threading::SendStringWndMessage::TextOf(l);
        {
            std::lock_guard lock(mutex_);
            received_.push_back(r);
        }
        if (onReceive) onReceive(r);
        return 0;
    }

    mutable std::mutex mutex_;
    std::vector<Received> received_;
    platform::WindowBinding binding_;
};
