#pragma once

namespace halvane::document {

// The views that show the document, as the document and the application
// state see them: the one thing every document change is reported to. The
// document defines it and reaches no higher; the main window implements it.
// A call may come from a job's worker thread, so the window passes it on to
// its own thread before it touches a widget.
class DocumentViews {
public:
    virtual ~DocumentViews() = default;
    // Repaints every pane from the document.
    virtual void RefreshViews() = 0;
};

}  // namespace halvane::document
