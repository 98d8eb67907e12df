#pragma once

#include "platform/WindowBinding.h"
#include "platform/WindowHandle.h"
#include "platform/WindowRegistry.h"

#include <atomic>
#include <cstdint>

namespace halvane::procedures {

// The two windows through which a job's dialog is reached while its widgets
// exist: the dialog itself and its progress bar, each bound to a handler of
// the dialog's controller. Bind and Unbind run on the user-interface thread;
// the handles may be read from any thread (a worker posts to them), and are
// null before Bind and from the start of Unbind, so nothing is posted to a
// window that is going away.
class DialogWindows {
public:
    using Handler = platform::WindowRegistry::Handler;

    DialogWindows() = default;
    ~DialogWindows() { Unbind(); }
    DialogWindows(const DialogWindows&) = delete;
    DialogWindows& operator=(const DialogWindows&) = delete;

    // Binds both windows (after unbinding any earlier ones); `native...` are
    // the widgets' own handles, or null.
    void Bind(Handler dialog, Handler progressBar, void* nativeDialog = nullptr, void* nativeProgressBar = nullptr) {
        Unbind();
        dialog_ = platform::WindowBinding(std::move(dialog), nativeDialog);
        progressBar_ = platform::WindowBinding(std::move(progressBar), nativeProgressBar);
        progressBarId_.store(progressBar_.handle().id);
        dialogId_.store(dialog_.handle().id);
    }

    void Unbind() {
        dialogId_.store(0);
        progressBarId_.store(0);
        dialog_.reset();
        progressBar_.reset();
    }

    platform::WindowHandle Dialog() const { return platform::WindowHandle{dialogId_.load()}; }
    platform::WindowHandle ProgressBar() const { return platform::WindowHandle{progressBarId_.load()}; }

private:
    platform::WindowBinding dialog_;
    platform::WindowBinding progressBar_;
    std::atomic<std::uint64_t> dialogId_{0};
    std::atomic<std::uint64_t> progressBarId_{0};
};

}  // namespace halvane::procedures
