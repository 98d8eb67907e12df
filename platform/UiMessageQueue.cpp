#include "platform/UiMessageQueue.h"

namespace platform {

void UiMessageQueue::post(std::unique_ptr<WindowMessage> message) {
    if (!message) return;
    std::lock_guard lock(mutex_);
    messages_.push_back(std::move(message));
}

void UiMessageQueue::post(WindowHandle target, std::uint32_t message, std::uintptr_t wParam,
                          std::intptr_t lParam) {
    post(std::make_unique<WindowMessage>(target, message, wParam, lParam));
}

std::unique_ptr<WindowMessage> UiMessageQueue::takeFront() {
    std::lock_guard lock(mutex_);
    if (messages_.empty()) return nullptr;
    std::unique_ptr<WindowMessage> front = std::move(messages_.front());
    messages_.pop_front();
    return front;
}

std::size_t UiMessageQueue::drain() {
    std::size_t taken = 0;
    while (std::unique_ptr<WindowMessage> m = takeFront()) {
        ++taken;
        registry_->send(m->target, m->message, m->wParam, m->lParam);
        // `m` goes here, after the send: its payload was valid throughout.
    }
    return taken;
}

std::size_t UiMessageQueue::size() const {
    std::lock_guard lock(mutex_);
    return messages_.size();
}

void UiMessageQueue::discardAll() {
    std::deque<std::unique_ptr<WindowMessage>> dropped;
    {
        std::lock_guard lock(mutex_);
        dropped.swap(messages_);
    }
}

UiMessageQueue& uiMessageQueue() {
    static UiMessageQueue queue;
    return queue;
}

}  // namespace platform
