#pragma once

#include "pellivar/CTessikCommunicator.h"

#include <QMainWindow>

#include <string>

class QAction;
class QMenu;
class QMimeData;
class QStackedWidget;

class QLabel;
class QTimer;

namespace pellivar::ui {

class CAdvancedVideoView;
class CCustomOutputRez;
class CGammaCurveView;
class CPageView;
class CPellivarApp;
class CSourcePageView;
class CTreeBar;
class CWaitDlg;

// Pellivar's main window: the tree bar docked at the left, one page at a
// time beside it, the File, Options and Help menus, and the unit search
// ("Select Baud Rate", then the search with the window disabled until its
// result arrives). Dropping a ".kvx" file on the window opens it.
class CMainFrame final : public QMainWindow {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Pellivar";
    static constexpr const char* kFilter = "Tessik LiveVideo Files (*.kvx)";
    static constexpr const char* kFoundFormat = "Found: %1";
    static constexpr const char* kNotFoundText = "Could not find unit, check connection";
    // When the line goes dead: the reason, then how many commands did not
    // reach the unit.
    static constexpr const char* kLostFormat = "The connection to the unit was lost: %1.";
    static constexpr const char* kNotSentFormat = "%1 command(s) were not sent to the unit.";
    static constexpr const char* kReconnectText = "Check the cable and the unit, then use \"Connect\" to find it again.";
    static constexpr const char* kLostCaption = "Connection Lost";
    // Before the read-back's report of single edits the unit did not take.
    static constexpr const char* kEditsNotTakenText =
        "The unit did not take every change sent to it; the pages show what it holds.";

    explicit CMainFrame(CPellivarApp& app, QWidget* parent = nullptr);
    ~CMainFrame() override;

    CTreeBar* TreeBar() const { return treeBar_; }
    CPageView* CurrentView() const;
    CSourcePageView* SourcePage(int page) const { return sourcePages_[page]; }
    CAdvancedVideoView* AdvancedView() const { return advanced_; }
    CCustomOutputRez* ResolutionView() const { return resolution_; }
    CGammaCurveView* GammaView() const { return gamma_; }
    CWaitDlg* WaitDialog() const { return waitDlg_; }
    QAction* LongWaitAction() const { return longWait_; }

    void SwitchToView(CPageView* view);

    // "Select Baud Rate", then the search (nothing on Cancel).
    void ChooseBaudRateAndSearch();
    // The search itself: the wait box shows and the window stays disabled
    // until the result arrives.
    void StartSearch(bool allSpeeds, int speedIndex);
    bool SearchRunning() const { return searching_; }
    // The connection as the status bar shows it.
    QString ConnectionText() const;

    // The document commands; opening sends nothing to the unit.
    bool OpenDocument(const std::string& path);
    bool SaveDocument(const std::string& path);
    // A modified document is offered for saving first; false on Cancel (or
    // a failed save).
    bool SaveModified();
    void OnFileOpen();
    void OnFileSave();
    void OnFileSaveAs();
    // A file dropped on the window: the first local file is opened.
    bool OpenDropped(const QMimeData* mime);
    const std::string& DocumentPath() const { return path_; }
    void UpdateTitle();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // How often the edits' read-back is stepped while it has work (real
    // milliseconds; its waits are the link's).
    static constexpr int kEditPollMs = 10;

    void BuildMenus();
    void RebuildRecentFiles();
    void OnSearchDone(int found);
    void OnConnectionLost(const CTessikCommunicator::ConnectionLost& lost);
    void ShowConnection(const QString& text);
    void OnAbout();
    void PollEdits();

    CPellivarApp& app_;
    CTreeBar* treeBar_;
    QStackedWidget* stack_;
    CSourcePageView* sourcePages_[4] = {};
    CAdvancedVideoView* advanced_ = nullptr;
    CCustomOutputRez* resolution_ = nullptr;
    CGammaCurveView* gamma_ = nullptr;
    CWaitDlg* waitDlg_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    QAction* longWait_ = nullptr;
    std::string path_;
    bool searching_ = false;
    QLabel* connection_ = nullptr;
    QTimer* edits_ = nullptr;
};

}  // namespace pellivar::ui
