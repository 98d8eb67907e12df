#pragma once

namespace halvane {

// The main window as the application state sees it: the one thing every
// document change is reported to. The user interface implements it; a call
// may come from a job's worker thread, so the window passes it on to its
// own thread before it touches a widget.
class MainFrameViews {
public:
    virtual ~MainFrameViews() = default;
    // Repaints every pane from the document.
    virtual void RefreshViews() = 0;
};

}  // namespace halvane
