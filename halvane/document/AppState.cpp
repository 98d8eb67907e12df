#include "halvane/document/AppState.h"

#include "halvane/document/DocumentViews.h"

namespace halvane::document {

void AppState::SetMainWindow(DocumentViews* window) {
    std::lock_guard lock(mutex_);
    mainWindow_ = window;
}

DocumentViews* AppState::MainWindow() const {
    std::lock_guard lock(mutex_);
    return mainWindow_;
}

void AppState::RefreshMainFrameViews() {
    if (m_bInitialized.load() == 0) return;
    // Held through the call, so the window cannot be cleared (and go away)
    // while it is being told to refresh; recursive, so the window may read
    // the state back while it refreshes.
    std::lock_guard lock(mutex_);
    if (mainWindow_ != nullptr) mainWindow_->RefreshViews();
}

}  // namespace halvane::document
