#include "pellivar/ui/CMainFrame.h"

#include "pellivar/ui/CAdvancedVideoView.h"
#include "pellivar/ui/CChangeBaudRateDlg.h"
#include "pellivar/ui/CCustomOutputRez.h"
#include "pellivar/ui/CGammaCurveView.h"
#include "pellivar/ui/CPellivarApp.h"
#include "pellivar/ui/CSourcePageView.h"
#include "pellivar/ui/CTreeBar.h"
#include "pellivar/ui/CWaitDlg.h"
#include "pellivar/ui/MessageBoxes.h"
#include "platform/Profile.h"
#include "platform/UserPrompt.h"
#include "platform/qt/TitleFit.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTimer>

namespace pellivar::ui {

CMainFrame::CMainFrame(CPellivarApp& app, QWidget* parent)
    : QMainWindow(parent), app_(app), stack_(new QStackedWidget(this)) {
    setObjectName("CMainFrame");
    auto* dock = new QDockWidget(this);
    dock->setObjectName("treeBar");
    dock->setFeatures(QDockWidget::NoDockWidgetFeatures);
    dock->setTitleBarWidget(new QWidget(dock));
    treeBar_ = new CTreeBar(app_, *this, dock);
    dock->setWidget(treeBar_);
    addDockWidget(Qt::LeftDockWidgetArea, dock);

    setCentralWidget(stack_);

    for (int p = 0; p < 4; ++p) {
        sourcePages_[p] = new CSourcePageView(app_, static_cast<pellivar::SourcePage>(p), stack_);
        sourcePages_[p]->SetSource(CPellivarDoc::kInitialSource);
        stack_->addWidget(sourcePages_[p]);
    }
    advanced_ = new CAdvancedVideoView(app_, *this, stack_);
    resolution_ = new CCustomOutputRez(app_, stack_);
    gamma_ = new CGammaCurveView(app_, stack_);
    stack_->addWidget(advanced_);
    stack_->addWidget(resolution_);
    stack_->addWidget(gamma_);

    BuildMenus();
    connection_ = new QLabel(this);
    connection_->setObjectName("connection");
    statusBar()->addPermanentWidget(connection_);
    ShowConnection("Not connected");
    {
        QPointer<CMainFrame> self(this);
        app_.GetCommunicator().SetLostObserver([self](const CTessikCommunicator::ConnectionLost& lost) {
            if (self) self->OnConnectionLost(lost);
        });
    }
    // The edits' read-back runs on this thread, stepped while it has work.
    edits_ = new QTimer(this);
    edits_->setInterval(kEditPollMs);
    connect(edits_, &QTimer::timeout, this, &CMainFrame::PollEdits);
    app_.Edits().SetBusyHandler([this] { edits_->start(); });
    setAcceptDrops(true);
    treeBar_->Initialise();
    treeBar_->BuildTree(sourcePages_[0], sourcePages_[1], sourcePages_[2], sourcePages_[3], advanced_, resolution_,
                        gamma_);
    if (CurrentView() != sourcePages_[0]) SwitchToView(sourcePages_[0]);
    UpdateTitle();
    // Fits a 1024 x 768 screen with the window's frame.
    resize(1000, 720);
}

CMainFrame::~CMainFrame() {
    app_.Edits().SetBusyHandler(nullptr);
    app_.GetCommunicator().SetLostObserver(nullptr);
}

// A bulk exchange (its dialog, or the quiet wait after it that disables the
// window), a search or a box runs: its replies and questions go first.
void CMainFrame::PollEdits() {
    if (QApplication::activeModalWidget() != nullptr || !isEnabled()) return;
    const std::string report = app_.Edits().Poll();
    if (!app_.Edits().Busy()) edits_->stop();
    if (!report.empty()) ShowErrorBox(std::string(kEditsNotTakenText) + "\n" + report);
}

QString CMainFrame::ConnectionText() const { return connection_->text(); }

void CMainFrame::ShowConnection(const QString& text) { connection_->setText(text); }

// The line went dead: whatever waits for the unit stops (the exchange
// dialogs close themselves), the status bar says so and a box says what was
// not sent.
void CMainFrame::OnConnectionLost(const CTessikCommunicator::ConnectionLost& lost) {
    ShowConnection(QString("Connection lost: %1").arg(QString::fromStdString(lost.reason)));
    QString text = QString(kLostFormat).arg(QString::fromStdString(lost.reason));
    if (lost.notSent > 0) text += "\n" + QString(kNotSentFormat).arg(lost.notSent);
    text += "\n" + QString(kReconnectText);
    ShowBox(text.toStdString(), kLostCaption);
}

void CMainFrame::BuildMenus() {
    QMenu* file = menuBar()->addMenu("&File");
    file->addAction("&Open...", QKeySequence::Open, this, &CMainFrame::OnFileOpen);
    file->addAction("&Save", QKeySequence::Save, this, &CMainFrame::OnFileSave);
    file->addAction("Save as...", this, &CMainFrame::OnFileSaveAs);
    recentMenu_ = file->addMenu("Recent Files");
    file->addSeparator();
    file->addAction("E&xit", this, &QWidget::close);
    RebuildRecentFiles();

    QMenu* edit = menuBar()->addMenu("&Edit");
    auto forward = [](auto slot) {
        return [slot] {
            if (auto* e = qobject_cast<QLineEdit*>(QApplication::focusWidget())) (e->*slot)();
        };
    };
    edit->addAction("&Undo", QKeySequence::Undo, this, forward(&QLineEdit::undo));
    edit->addAction("Cu&t", QKeySequence::Cut, this, forward(&QLineEdit::cut));
    edit->addAction("&Copy", QKeySequence::Copy, this, forward(&QLineEdit::copy));
    edit->addAction("&Paste", QKeySequence::Paste, this, forward(&QLineEdit::paste));

    QMenu* options = menuBar()->addMenu("&Options");
    longWait_ = options->addAction("Long Wait");
    longWait_->setCheckable(true);
    longWait_->setChecked(app_.LongWait());
    longWait_->setStatusTip("Slows down serial transmission to prevent a miscommunication.");
    connect(longWait_, &QAction::toggled, this, [this](bool on) { app_.SetLongWait(on); });

    QMenu* help = menuBar()->addMenu("&Help");
    help->addAction("&About Pellivar...", this, &CMainFrame::OnAbout);
}

void CMainFrame::RebuildRecentFiles() {
    recentMenu_->clear();
    platform::Profile* profile = app_.Profile();
    const auto files = profile != nullptr ? profile->recentFiles(CPellivarApp::kRecentFiles) : std::vector<std::string>{};
    recentMenu_->setEnabled(!files.empty());
    int n = 1;
    for (const std::string& f : files) {
        recentMenu_->addAction(QString("&%1 %2").arg(n++).arg(QString::fromStdString(f)), this, [this, f] {
            if (SaveModified()) OpenDocument(f);
        });
    }
}

CPageView* CMainFrame::CurrentView() const { return qobject_cast<CPageView*>(stack_->currentWidget()); }

void CMainFrame::SwitchToView(CPageView* view) {
    if (view == nullptr) return;
    stack_->setCurrentWidget(view);
    view->OnInitialUpdate();
    view->update();
}

void CMainFrame::ChooseBaudRateAndSearch() {
    CChangeBaudRateDlg dialog(this);
    if (dialog.exec() != QDialog::Accepted) return;
    StartSearch(dialog.TryAll(), dialog.SpeedIndex());
}

void CMainFrame::StartSearch(bool allSpeeds, int speedIndex) {
    if (waitDlg_ == nullptr) waitDlg_ = new CWaitDlg(app_.GetCommunicator().GetPort(), this);
    ShowConnection("Searching...");
    waitDlg_->show();
    setEnabled(false);
    waitDlg_->setEnabled(true);
    searching_ = true;
    QPointer<CMainFrame> self(this);
    auto done = [self](int found) {
        if (self) self->OnSearchDone(found);
    };
    if (allSpeeds) app_.GetCommunicator().SearchAllSpeeds(done);
    else app_.GetCommunicator().SearchAtSpeed(done, speedIndex);
}

void CMainFrame::OnSearchDone(int found) {
    searching_ = false;
    setEnabled(true);
    if (waitDlg_ != nullptr) waitDlg_->hide();
    const CBasicTessikPort& port = app_.GetCommunicator().GetPort();
    if (found != 0)
        ShowConnection(QString("Connected: %1 on COM%2 at %3 baud")
                           .arg(port.GetModelName())
                           .arg(port.GetPortNumber())
                           .arg(PortSpeeds::baud(port.GetSpeedIndex())));
    else
        ShowConnection("Not connected");
    if (found != 0) {
        ShowSuccessBox(QString(kFoundFormat).arg(app_.GetCommunicator().GetPort().GetModelName()).toStdString());
    } else {
        // What each port did, so that a port held by another program or
        // closed to this user is not taken for a loose cable.
        const std::string report = port.SearchReport();
        ShowErrorBox(report.empty() ? std::string(kNotFoundText) : kNotFoundText + ("\n" + report));
    }
}

bool CMainFrame::OpenDocument(const std::string& path) {
    bool ok = false;
    {
        // Values read from a file are not sent to the unit one by one.
        PellivarLink::SendingPaused paused(app_.Link());
        ok = app_.GetCurrentDoc().OnOpenDocument(path);
    }
    if (ok) {
        path_ = path;
        app_.GetCurrentDoc().SetModifiedFlag(false);
        if (platform::Profile* p = app_.Profile()) p->addRecentFile(path, CPellivarApp::kRecentFiles);
        RebuildRecentFiles();
    }
    if (CPageView* v = CurrentView()) v->OnInitialUpdate();
    UpdateTitle();
    return ok;
}

bool CMainFrame::SaveDocument(const std::string& path) {
    if (!app_.GetCurrentDoc().OnSaveDocument(path)) return false;
    path_ = path;
    if (platform::Profile* p = app_.Profile()) p->addRecentFile(path, CPellivarApp::kRecentFiles);
    RebuildRecentFiles();
    UpdateTitle();
    return true;
}

bool CMainFrame::SaveModified() {
    if (!app_.GetCurrentDoc().IsModified()) return true;
    const QString name = path_.empty() ? QString("Untitled") : QFileInfo(QString::fromStdString(path_)).fileName();
    const int answer = platform::CurrentUserPrompt().MessageBox(
        QString("Save changes to %1?").arg(name).toStdString(), kTitle, platform::MB_YESNOCANCEL | platform::MB_ICONWARNING);
    if (answer == platform::IDCANCEL) return false;
    if (answer == platform::IDNO) return true;
    if (path_.empty()) {
        OnFileSaveAs();
        return !app_.GetCurrentDoc().IsModified();
    }
    return SaveDocument(path_);
}

void CMainFrame::OnFileOpen() {
    if (!SaveModified()) return;
    const QString path = QFileDialog::getOpenFileName(this, "Open", QString(), kFilter);
    if (!path.isEmpty()) OpenDocument(path.toStdString());
}

void CMainFrame::OnFileSave() {
    if (path_.empty()) OnFileSaveAs();
    else SaveDocument(path_);
}

void CMainFrame::OnFileSaveAs() {
    QString path = QFileDialog::getSaveFileName(this, "Save As", QString::fromStdString(path_), kFilter);
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += ".kvx";
    SaveDocument(path.toStdString());
}

void CMainFrame::UpdateTitle() {
    const QString name = path_.empty() ? QString("Untitled") : QFileInfo(QString::fromStdString(path_)).fileName();
    setWindowTitle(QString("%1 - %2").arg(name, kTitle));
}

void CMainFrame::OnAbout() {
    QMessageBox box(QMessageBox::Information, "About Pellivar", QString("Pellivar\nVersion %1").arg(CPellivarApp::kVersion),
                    QMessageBox::Ok, this);
    platform::qt::FitTitle(box);
    box.exec();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!SaveModified()) {
        event->ignore();
        return;
    }
    SetClosingFlag(true);
    QMainWindow::closeEvent(event);
    SetClosingFlag(false);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    if (OpenDropped(event->mimeData())) event->acceptProposedAction();
}

bool CMainFrame::OpenDropped(const QMimeData* mime) {
    if (mime == nullptr) return false;
    const auto urls = mime->urls();
    if (urls.isEmpty() || !urls.front().isLocalFile()) return false;
    if (!SaveModified()) return true;
    OpenDocument(urls.front().toLocalFile().toStdString());
    return true;
}

}  // namespace pellivar::ui
