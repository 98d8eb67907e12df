#pragma once

#include "halvane/diagnostics/Progress.h"

namespace halvane::diagnostics::ConTypes {

// Progress for a dialog on the user-interface thread. It never touches the
// dialog's controls: it queues PBM_SETRANGE32 and PBM_SETPOS for the
// progress bar and SendStringWndMessage texts for the status window through
// the window-message queue, in the order they are made. Once aborted it
// queues nothing more ("Aborting..." itself is the last text).
class MultiThreadedProgress : public Progress {
public:
    // Queues PBM_SETRANGE32 (0, 0) for the progress bar at once.
    MultiThreadedProgress(platform::WindowHandle progressBar, platform::WindowHandle statusWindow,
                          platform::UserPrompt* prompt = nullptr);

    void SetRange(int total) override;
    void Step(int steps) override;
    void SetText(std::string text) override;
    platform::WindowHandle GetWindow() override { return statusWindow_; }

    int Total() const;
    int Position() const;

private:
    platform::WindowHandle statusWindow_;
    platform::WindowHandle progressBar_;
    int total_ = 0;
    int position_ = 0;
};

}  // namespace halvane::diagnostics::ConTypes
