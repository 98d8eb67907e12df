#pragma once

#include <QMainWindow>
#include <QStringList>
#include <memory>

#include "halvane/app/models/MainFrameCommands.h"
#include "halvane/document/DocumentViews.h"
#include "platform/WindowBinding.h"

class QAction;
class QMenu;
class QSplitter;
class QToolBar;

namespace platform {
class Profile;
class UserPrompt;
}

namespace halvane::document {
class AppState;
}
namespace halvane::document {
class CHalvaneDoc;
}
namespace halvane::app::models {
class LanguageManager;
}
namespace halvane::document {
class ProcedureService;
}

namespace halvane::app {

class CColorLegend;
class CGraphView;

// Halvane's main window: the command bar (chosen once from the start mode),
// the graph view and the colour legend side by side (80/20), the status bar
// and the menus. The commands themselves are MainFrameCommands'.
class CMainFrame final : public QMainWindow, public document::DocumentViews, public models::MainFrameHost {
    Q_OBJECT

public:
    // `languages` may be null (no Languages submenu entries); so may
    // `profile` (no recent-file list). Both must outlive the window.
    CMainFrame(document::CHalvaneDoc& doc, document::AppState& app, document::ProcedureService& procedures, platform::UserPrompt& prompt,
               models::LanguageManager* languages, platform::Profile* profile = nullptr, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // DocumentViews: from any thread.
    void RefreshViews() override;
    // MainFrameHost.
    void AutoScaleAll() override;
    void Repaint() override;
    std::string AskSavePath() override;
    void ShowStatus(const std::string& text) override;
    void DocumentStored(const std::string& path) override;
    bool RunColourDialog() override;
    platform::WindowHandle Window() override { return window_.handle(); }

    models::MainFrameCommands& Commands() { return commands_; }
    CGraphView* GraphView() const { return graph_; }
    CColorLegend* Legend() const { return legend_; }
    QSplitter* Splitter() const { return splitter_; }
    QToolBar* CommandBar() const { return bar_; }
    // The command-bar button of a control id (main_frame_ids), or null.
    QAction* BarAction(int id) const;

    // The recent-file list in the profile (at most 4), newest first; empty
    // without a profile.
    QStringList RecentFiles() const;
    void AddRecentFile(const QString& path);
    void RemoveRecentFile(const QString& path);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildCommandBar();
    void BuildMenus(models::LanguageManager* languages);
    void UpdateViewMenu();
    void RefreshViewsHere();
    void ApplySplit();
    bool SaveChangesPrompt();
    void OnFileNew();
    void OnFileOpen();
    // Opens the document at `path` (a damaged or missing file has been
    // reported by the document); true when it opened.
    bool OpenPath(const QString& path);
    void OnFileSaveAs();
    void FillRecentMenu();
    void UpdateTitle();

    // The frame as the owner of its questions.
    platform::WindowBinding window_;
    document::CHalvaneDoc& doc_;
    document::AppState& app_;
    platform::UserPrompt& prompt_;
    platform::Profile* profile_;
    models::MainFrameCommands commands_;
    QSplitter* splitter_ = nullptr;
    CGraphView* graph_ = nullptr;
    CColorLegend* legend_ = nullptr;
    QToolBar* bar_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    QAction* showTargets_ = nullptr;
    QAction* targetsOnTop_ = nullptr;
    QAction* showMeasured_ = nullptr;
    QAction* showCalculated_ = nullptr;
    QAction* movie_ = nullptr;
    QAction* music_ = nullptr;
};

}  // namespace halvane::app
