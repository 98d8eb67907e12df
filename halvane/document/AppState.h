#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

namespace halvane::document {

class DocumentViews;

// The values of Halvane's shell that one part writes and others read: the
// start mode chosen by the welcome page or the command line, the view
// switches of the View menu, and the one path by which a document change
// reaches the panes. The program makes one and hands it to the shell and
// the documents it builds; tests make their own.
class AppState {
public:
    enum StartModes : std::int32_t { Automatic = 0, Manual = 1 };
    enum CurveDisplay : std::int32_t { ShowMeasured = 1, ShowCalculated = 2 };
    enum ConfigSelections : std::int32_t { SelectMovie = 1, SelectMusic = 2 };

    // 0 automatic (the wizard runs before the main window shows), 1 manual.
    std::atomic<std::int32_t> StartMode{Automatic};
    // Draw the target curves.
    std::atomic<std::int32_t> ShowTargets{1};
    // Draw the targets after the other curves instead of before them.
    std::atomic<std::int32_t> TargetsOnTop{1};
    // Bit 0: draw the measured curves; bit 1: the calculated ones.
    std::atomic<std::int32_t> CurveDisplayFlags{ShowMeasured | ShowCalculated};
    // 1 Movie shown, 2 Music shown (the menu's check marks; the document's
    // own configuration is 0 or 1).
    std::atomic<std::int32_t> ConfigSelection{SelectMovie};
    // Set as the last step of a successful start-up.
    std::atomic<std::int32_t> m_bInitialized{0};

    // The main window, or null. It must stay valid until it is replaced:
    // the window clears it before it goes away.
    void SetMainWindow(DocumentViews* window);
    DocumentViews* MainWindow() const;

    // Has the main window refresh its views, once start-up has completed
    // and a main window exists; otherwise does nothing (the window is
    // refreshed as a whole when it is first shown). Callable from any
    // thread.
    void RefreshMainFrameViews();

private:
    mutable std::recursive_mutex mutex_;
    DocumentViews* mainWindow_ = nullptr;
};

}  // namespace halvane::document
