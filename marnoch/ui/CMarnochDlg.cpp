#include "marnoch/ui/CMarnochDlg.h"

#include "marnoch/MarnochTexts.h"
#include "marnoch/ui/CAboutBox.h"
#include "marnoch/ui/CUIProgCtrl.h"
#include "marnoch/ui/DialogUnits.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>

#include <atomic>
#include <exception>
#include <thread>

namespace marnoch::ui {

CMarnochDlg::CMarnochDlg(Hooks hooks, QWidget* parent) : QDialog(parent), hooks_(std::move(hooks)) {
    setWindowTitle(QString::fromStdString(kApplicationName));
    setObjectName("marnochDialog");

    // Controls in tab order, placed as the dialog template places them.
    create_ = new QPushButton("Create Backup File", this);
    create_->setObjectName("createBackupButton");
    create_->setGeometry(fromDialogUnits(54, 7, 77, 14));
    exit_ = new QPushButton("Exit", this);
    exit_->setObjectName("exitButton");
    exit_->setGeometry(fromDialogUnits(257, 7, 39, 14));
    upload_ = new QPushButton("Upload Backup File to Processor", this);
    upload_->setObjectName("uploadButton");
    upload_->setGeometry(fromDialogUnits(136, 7, 116, 14));
    progress_ = new QProgressBar(this);
    progress_->setObjectName("progressBar");
    progress_->setTextVisible(false);
    progress_->setGeometry(fromDialogUnits(7, 33, 289, 14));
    status_ = new QLabel(this);
    status_->setObjectName("statusLine");
    status_->setGeometry(fromDialogUnits(7, 23, 289, 8));
    about_ = new QPushButton("About", this);
    about_->setObjectName("aboutButton");
    about_->setGeometry(fromDialogUnits(7, 7, 42, 14));
    setFixedSize(fromDialogUnits(0, 0, 303, 54).size());
    for (QPushButton* b : {create_, exit_, upload_, about_}) b->setAutoDefault(false);

    connect(create_, &QPushButton::clicked, this, &CMarnochDlg::onCreateBackup);
    connect(upload_, &QPushButton::clicked, this, &CMarnochDlg::onUpload);
    connect(about_, &QPushButton::clicked, this, &CMarnochDlg::onAbout);
    connect(exit_, &QPushButton::clicked, this, &QDialog::reject);

    // Qt cannot add to the window manager's system menu; the same entry
    // lives in the window's context menu.
    aboutAction_ = new QAction("&About Marnoch..", this);
    aboutAction_->setObjectName("aboutAction");
    connect(aboutAction_, &QAction::triggered, this, &CMarnochDlg::onAbout);
    addAction(aboutAction_);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    progCtrl_ = std::make_unique<CUIProgCtrl>(*progress_);
    workflows_ = std::make_unique<MarnochWorkflows>(static_cast<IFileChooser&>(*this),
                                                    static_cast<IStatusSink&>(*this), *progCtrl_, hooks_.makePort);
}

CMarnochDlg::CMarnochDlg(QWidget* parent) : CMarnochDlg(Hooks{}, parent) {}

CMarnochDlg::~CMarnochDlg() = default;

QRect CMarnochDlg::fromDialogUnits(int x, int y, int w, int h) const { return FromDialogUnits(*this, x, y, w, h); }

QString CMarnochDlg::statusText() const { return status_->text(); }

// Called from the workflow's thread: the text goes to the window's thread.
void CMarnochDlg::SetStatus(const std::string& text) {
    const QString line = QString::fromStdString(text);
    QMetaObject::invokeMethod(
        status_,
        [this, line] {
            status_->setText(line);
            status_->repaint();
        },
        Qt::AutoConnection);
}

bool CMarnochDlg::ChooseSettingsFile(bool open, const std::string& initial, std::string& chosen) {
    // The workflow's thread waits while the dialog runs on the window's.
    if (QThread::currentThread() != thread()) {
        bool result = false;
        QMetaObject::invokeMethod(
            this, [&] { result = ChooseSettingsFile(open, initial, chosen); }, Qt::BlockingQueuedConnection);
        return result;
    }
    if (hooks_.chooser != nullptr) return hooks_.chooser->ChooseSettingsFile(open, initial, chosen);
    QFileDialog dialog(this);
    dialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilter("Tessik Processor save files(*.k47)");
    dialog.setDefaultSuffix("k47");
    dialog.selectFile(QString::fromStdString(initial));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    chosen = dialog.selectedFiles().first().toStdString();
    return true;
}

void CMarnochDlg::setControlsEnabled(bool enabled) {
    for (QPushButton* b : {create_, upload_, about_, exit_}) b->setEnabled(enabled);
    aboutAction_->setEnabled(enabled);
}

// The window cannot close under a running workflow; Exit is disabled then.
void CMarnochDlg::reject() {
    if (!busy_) QDialog::reject();
}

// The workflow runs on its own thread and this one goes on handling the
// window's events (painting, the progress, the file dialog the workflow
// asks for) until it ends. No other workflow can start meanwhile.
void CMarnochDlg::run(void (MarnochWorkflows::*workflow)()) {
    if (busy_) return;
    busy_ = true;
    setControlsEnabled(false);
    std::optional<std::string> failure;
    std::exception_ptr escaped;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        try {
            failure = workflows_->RunCaught(workflow);
        } catch (...) {
            escaped = std::current_exception();
        }
        done = true;
        // Wakes the wait below.
        QMetaObject::invokeMethod(this, [] {}, Qt::QueuedConnection);
    });
    while (!done) QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    worker.join();
    // The last status and progress calls were queued before the end.
    QCoreApplication::sendPostedEvents();
    busy_ = false;
    setControlsEnabled(true);
    if (escaped) std::rethrow_exception(escaped);
    if (!failure) return;
    const QString text = QString::fromStdString(*failure);
    if (hooks_.message) {
        hooks_.message(text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(kApplicationName), text, QMessageBox::Ok, this);
    box.exec();
}

void CMarnochDlg::onCreateBackup() { run(&MarnochWorkflows::RunCreateBackup); }

void CMarnochDlg::onUpload() { run(&MarnochWorkflows::RunUpload); }

void CMarnochDlg::onAbout() {
    CAboutBox box(this);
    box.exec();
}

}  // namespace marnoch::ui
