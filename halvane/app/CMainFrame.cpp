#include "halvane/app/CMainFrame.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QSplitter>
#include <QStatusBar>
#include <QThread>
#include <QToolBar>

#include "halvane/app/CAboutDlg.h"
#include "halvane/app/CColorLegend.h"
#include "halvane/app/CCurveColorDialog.h"
#include "halvane/app/CGraphView.h"
#include "halvane/app/CoreText.h"
#include "halvane/app/LanguageMenu.h"
#include "halvane/app/MainFrameIds.h"
#include "halvane/app/models/LanguageManager.h"
#include "halvane/document/AppState.h"
#include "halvane/document/CHalvaneDoc.h"
#include "platform/Profile.h"
#include "platform/UserPrompt.h"

namespace halvane::app {

using namespace main_frame_ids;
static_assert(kLanguages == models::LanguageManager::kLanguagesCommand);

namespace {
const char* const kFilter = "Halvane Files (*.QEX)";
constexpr int kRecentCount = 4;
}  // namespace

CMainFrame::CMainFrame(document::CHalvaneDoc& doc, document::AppState& app, document::ProcedureService& procedures, platform::UserPrompt& prompt,
                       models::LanguageManager* languages, platform::Profile* profile, QWidget* parent)
    : QMainWindow(parent),
      window_([](std::uint32_t, std::uintptr_t, std::intptr_t) { return 0; }, this),
      doc_(doc),
      app_(app),
      prompt_(prompt),
      profile_(profile),
      commands_(doc, app, procedures, prompt, *this) {
    setObjectName("CMainFrame");
    BuildCommandBar();

    statusBar()->showMessage(tr("Ready"));
    // No CAP, NUM and SCRL indicators: the toolkit cannot read the lock keys'
    // state, and indicators that are always lit would say something false.

    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->setObjectName("splitter");
    graph_ = new CGraphView(app_, splitter_);
    legend_ = new CColorLegend(splitter_);
    graph_->SetDocument(&doc_);
    legend_->SetDocument(&doc_);
    splitter_->addWidget(graph_);
    splitter_->addWidget(legend_);
    setCentralWidget(splitter_);

    BuildMenus(languages);
    UpdateTitle();
    resize(1000, 700);
    app_.SetMainWindow(this);
}

CMainFrame::~CMainFrame() {
    if (app_.MainWindow() == this) app_.SetMainWindow(nullptr);
}

void CMainFrame::BuildCommandBar() {
    bar_ = addToolBar(tr("Commands"));
    bar_->setObjectName("idc_dialogbar");
    bar_->setMovable(false);
    struct Button {
        int id;
        const char* text;
        void (models::MainFrameCommands::*run)();
    };
    const bool manual = app_.StartMode.load() == document::AppState::Manual;
    std::vector<Button> buttons;
    if (manual) {
        buttons = {{kMeasure, QT_TR_NOOP("Measure"), &models::MainFrameCommands::OnMeasure},
                   {kAutoScale, QT_TR_NOOP("Auto Scale"), &models::MainFrameCommands::OnAutoScale},
                   {kCalculate, QT_TR_NOOP("Calculate"), nullptr},
                   {kUpload, QT_TR_NOOP("Upload"), &models::MainFrameCommands::OnUpload},
                   {kTargets, QT_TR_NOOP("Targets"), &models::MainFrameCommands::OnTargets},
                   {kColors, QT_TR_NOOP("Colors"), &models::MainFrameCommands::OnColors},
                   {kOriginal, QT_TR_NOOP("Original"), nullptr},
                   {kErase, QT_TR_NOOP("Erase"), &models::MainFrameCommands::OnErase},
                   {kVerify, QT_TR_NOOP("Verify"), nullptr}};
    } else {
        buttons = {{kAutoScale, QT_TR_NOOP("Auto Scale"), &models::MainFrameCommands::OnAutoScale},
                   {kColors, QT_TR_NOOP("Colors"), &models::MainFrameCommands::OnColors},
                   {kOriginal, QT_TR_NOOP("Original"), nullptr}};
    }
    for (const Button& b : buttons) {
        QAction* action = bar_->addAction(tr(b.text));
        action->setObjectName(BarObjectName(b.id));
        if (b.id == kCalculate) {
            connect(action, &QAction::triggered, this, [this] { commands_.OnCalculate(); });
        } else if (b.run != nullptr) {
            auto run = b.run;
            connect(action, &QAction::triggered, this, [this, run] { (commands_.*run)(); });
        }
        // Original and Verify have no command: always hidden.
        if (b.id == kOriginal || b.id == kVerify) action->setVisible(false);
    }
}

QAction* CMainFrame::BarAction(int id) const {
    for (QAction* action : bar_->actions())
        if (action->objectName() == BarObjectName(id)) return action;
    return nullptr;
}

void CMainFrame::BuildMenus(models::LanguageManager* languages) {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addAction(tr("&New"), QKeySequence::New, this, [this] { OnFileNew(); });
    file->addAction(tr("&Open..."), QKeySequence::Open, this, [this] { OnFileOpen(); });
    file->addAction(tr("&Save"), QKeySequence::Save, this, [this] { commands_.SaveDocument(); UpdateTitle(); });
    file->addAction(tr("Save &As..."), this, [this] { OnFileSaveAs(); });
    file->addSeparator();
    recentMenu_ = file->addMenu(tr("Recent Files"));
    connect(recentMenu_, &QMenu::aboutToShow, this, [this] { FillRecentMenu(); });
    FillRecentMenu();
    file->addSeparator();
    file->addAction(tr("E&xit"), this, [this] { close(); });

    QMenu* view = menuBar()->addMenu(tr("&View"));
    QAction* statusBarItem = view->addAction(tr("&Status Bar"));
    statusBarItem->setCheckable(true);
    statusBarItem->setChecked(true);
    connect(statusBarItem, &QAction::toggled, statusBar(), &QWidget::setVisible);
    auto check = [&](const char* text, int id, void (models::MainFrameCommands::*run)()) {
        QAction* action = view->addAction(tr(text));
        action->setObjectName(MenuObjectName(id));
        action->setCheckable(true);
        connect(action, &QAction::triggered, this, [this, run] {
            (commands_.*run)();
            UpdateViewMenu();
        });
        return action;
    };
    showTargets_ = check(QT_TR_NOOP("Show Targets"), kShowTargets, &models::MainFrameCommands::ToggleShowTargets);
    targetsOnTop_ = check(QT_TR_NOOP("Targets On Top"), kTargetsOnTop, &models::MainFrameCommands::ToggleTargetsOnTop);
    showMeasured_ = check(QT_TR_NOOP("Show Measured"), kShowMeasured, &models::MainFrameCommands::ToggleShowMeasured);
    showCalculated_ = check(QT_TR_NOOP("Show Calculated"), kShowCalculated, &models::MainFrameCommands::ToggleShowCalculated);
    view->addSeparator();
    movie_ = check(QT_TR_NOOP("Movie"), kMovie, &models::MainFrameCommands::SelectMovie);
    music_ = check(QT_TR_NOOP("Music"), kMusic, &models::MainFrameCommands::SelectMusic);
    connect(view, &QMenu::aboutToShow, this, [this] { UpdateViewMenu(); });
    UpdateViewMenu();

    QMenu* tools = menuBar()->addMenu(tr("Tools"));
    QMenu* languageMenu = tools->addMenu(tr("Languages"));
    languageMenu->setObjectName(MenuObjectName(kLanguages));
    if (languages != nullptr) new LanguageMenu(languageMenu, *languages);
    QAction* quick = tools->addAction(tr("Quick Measure"), this, [this] { commands_.OnQuickMeasure(); });
    quick->setObjectName(MenuObjectName(kQuickMeasure));

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->addAction(tr("&About Halvane..."), this, [this] {
        CAboutDlg about(this);
        about.exec();
    });
}

void CMainFrame::UpdateViewMenu() {
    showTargets_->setChecked(app_.ShowTargets.load() != 0);
    showTargets_->setEnabled(commands_.CanShowTargets());
    targetsOnTop_->setChecked(app_.TargetsOnTop.load() != 0);
    targetsOnTop_->setEnabled(commands_.CanShowTargets());
    showMeasured_->setChecked((app_.CurveDisplayFlags.load() & document::AppState::ShowMeasured) != 0);
    showMeasured_->setEnabled(commands_.CanShowMeasured());
    showCalculated_->setChecked((app_.CurveDisplayFlags.load() & document::AppState::ShowCalculated) != 0);
    showCalculated_->setEnabled(commands_.CanShowCalculated());
    movie_->setChecked((app_.ConfigSelection.load() & document::AppState::SelectMovie) != 0);
    music_->setChecked((app_.ConfigSelection.load() & document::AppState::SelectMusic) != 0);
}

void CMainFrame::RefreshViews() {
    if (QThread::currentThread() == thread()) {
        RefreshViewsHere();
    } else {
        QMetaObject::invokeMethod(this, [this] { RefreshViewsHere(); }, Qt::QueuedConnection);
    }
}

void CMainFrame::RefreshViewsHere() {
    graph_->OnUpdate();
    graph_->Layout();
    legend_->OnUpdate();
    UpdateViewMenu();
    UpdateTitle();
}

void CMainFrame::AutoScaleAll() { graph_->AutoScaleAll(); }

void CMainFrame::Repaint() { update(); }

void CMainFrame::ShowStatus(const std::string& text) { statusBar()->showMessage(CoreText(text)); }

void CMainFrame::DocumentStored(const std::string& path) {
    AddRecentFile(QString::fromStdString(path));
    UpdateTitle();
}

std::string CMainFrame::AskSavePath() {
    QString path = QFileDialog::getSaveFileName(this, tr("Save As"), QString::fromStdString(doc_.GetPathName()), tr(kFilter));
    if (path.isEmpty()) return {};
    if (QFileInfo(path).suffix().isEmpty()) path += ".QEX";
    return path.toStdString();
}

bool CMainFrame::RunColourDialog() {
    CCurveColorDialog dialog(doc_, this);
    return dialog.exec() == QDialog::Accepted;
}

void CMainFrame::ApplySplit() {
    const int width = splitter_->width();
    const int left = width * 8 / 10;
    splitter_->setSizes({left, width - left});
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    ApplySplit();
}

bool CMainFrame::SaveChangesPrompt() {
    if (!doc_.IsModified()) return true;
    QString name = QFileInfo(QString::fromStdString(doc_.GetPathName())).fileName();
    if (name.isEmpty()) name = "Halvane";
    const int answer = prompt_.MessageBox(tr("Save changes to %1?").arg(name).toStdString(), "",
                                          platform::MB_YESNOCANCEL | platform::MB_ICONWARNING, Window());
    if (answer == platform::IDCANCEL) return false;
    if (answer == platform::IDYES) return commands_.SaveDocument();
    return true;
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (SaveChangesPrompt()) {
        event->accept();
    } else {
        event->ignore();
    }
}

void CMainFrame::OnFileNew() {
    if (!SaveChangesPrompt()) return;
    doc_.OnNewDocument();
    UpdateTitle();
}

void CMainFrame::OnFileOpen() {
    if (!SaveChangesPrompt()) return;
    const QString path = QFileDialog::getOpenFileName(this, tr("Open"), QString(), tr(kFilter));
    if (!path.isEmpty()) OpenPath(path);
}

bool CMainFrame::OpenPath(const QString& path) {
    const bool opened = doc_.OnOpenDocument(path.toStdString());
    if (opened) {
        doc_.SetPathName(path.toStdString());
        AddRecentFile(path);
    } else {
        // The document has said why; a file that no longer opens (moved,
        // deleted, damaged) leaves the Recent Files list.
        RemoveRecentFile(path);
    }
    AutoScaleAll();
    UpdateTitle();
    return opened;
}

void CMainFrame::OnFileSaveAs() {
    const std::string path = AskSavePath();
    if (!path.empty() && doc_.OnSaveDocument(path)) AddRecentFile(QString::fromStdString(path));
    UpdateTitle();
}

QStringList CMainFrame::RecentFiles() const {
    QStringList files;
    if (profile_ == nullptr) return files;
    for (const std::string& path : profile_->recentFiles(kRecentCount)) files << QString::fromStdString(path);
    return files;
}

void CMainFrame::AddRecentFile(const QString& path) {
    // Stored absolute, so a file opened by a relative name from the command
    // line and again from the dialog is one entry, and opens from anywhere.
    if (profile_ != nullptr)
        profile_->addRecentFile(QFileInfo(path).absoluteFilePath().toStdString(), kRecentCount);
    // A menu greyed while the list was empty never shows, so it is filled
    // here and not only when it opens.
    FillRecentMenu();
}

void CMainFrame::RemoveRecentFile(const QString& path) {
    if (profile_ != nullptr)
        profile_->removeRecentFile(QFileInfo(path).absoluteFilePath().toStdString(), kRecentCount);
    FillRecentMenu();
}

void CMainFrame::FillRecentMenu() {
    recentMenu_->clear();
    int n = 1;
    for (const QString& path : RecentFiles()) {
        recentMenu_->addAction(QString("&%1 %2").arg(n++).arg(path), this, [this, path] {
            if (SaveChangesPrompt()) OpenPath(path);
        });
    }
    recentMenu_->setEnabled(!recentMenu_->isEmpty());
}

void CMainFrame::UpdateTitle() {
    QString name = QFileInfo(QString::fromStdString(doc_.GetPathName())).fileName();
    if (name.isEmpty()) name = tr("Untitled");
    setWindowTitle(name + " - Halvane ");
}

}  // namespace halvane::app
