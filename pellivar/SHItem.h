#pragma once

#include "pellivar/SItem.h"

#include <atomic>

namespace pellivar {

// A window that wants reply lines (the tree bar's source buttons, the wait
// dialog's end marker, a control bound to a plain int).
class ReplyWindow {
public:
    virtual ~ReplyWindow() = default;
    virtual void OnControlRequestCompleted(const std::string& reply) = 0;
};

// A subscription that forwards replies to a window. A one-shot item counts
// its queued deliveries and leaves the list when the last is done; its
// window detaches it on closing, and deliveries after that are dropped.
class SHItem final : public SItem {
public:
    SHItem(std::string key, ReplyWindow* window, bool oneShot = false)
        : SItem(std::move(key)), window_(window), oneShot_(oneShot) {}

    void OnReply(const std::string& line) override {
        if (ReplyWindow* w = window_.load()) w->OnControlRequestCompleted(line);
    }
    const void* Target() const override { return window_.load(); }
    bool IsOneShot() const override { return oneShot_; }
    bool IsBusy() const override { return pending_.load() != 0; }
    void AddPending() override {
        if (oneShot_) ++pending_;
    }
    void ReleasePending(CSItemVector& list) override {
        if (!oneShot_) return;
        if (pending_.load() > 0) --pending_;
        Release(list);
    }

    ReplyWindow* Window() const { return window_.load(); }
    // The window is closing: later deliveries go nowhere.
    void Detach() { window_.store(nullptr); }

private:
    std::atomic<ReplyWindow*> window_;
    bool oneShot_;
    std::atomic<int> pending_{0};
};

}  // namespace pellivar
