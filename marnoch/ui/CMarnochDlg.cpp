#include "marnoch/ui/CMarnochDlg.h"

#include "marnoch/MarnochTexts.h"
#include "marnoch/ui/CAboutBox.h"
#include "marnoch/ui/CUIProgCtrl.h"
#include "marnoch/ui/DialogUnits.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>

namespace marnoch {

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

    progCtrl_ = std::make_unique<CUIProgCtrl>(*progress_);
    IFileChooser& chooser = hooks_.chooser != nullptr ? *hooks_.chooser : static_cast<IFileChooser&>(*this);
    workflows_ = std::make_unique<MarnochWorkflows>(chooser, static_cast<IStatusSink&>(*this), *progCtrl_,
                                                    hooks_.makePort);
}

CMarnochDlg::CMarnochDlg(QWidget* parent) : CMarnochDlg(Hooks{}, parent) {}

CMarnochDlg::~CMarnochDlg() = default;

QRect CMarnochDlg::fromDialogUnits(int x, int y, int w, int h) const { return FromDialogUnits(*this, x, y, w, h); }

QString CMarnochDlg::statusText() const { return status_->text(); }

void CMarnochDlg::SetStatus(const std::string& text) {
    status_->setText(QString::fromStdString(text));
    // The workflow holds the event loop; paint now or the step never shows.
    status_->repaint();
}

bool CMarnochDlg::ChooseSettingsFile(bool open, const std::string& initial, std::string& chosen) {
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

void CMarnochDlg::run(void (MarnochWorkflows::*workflow)()) {
    // Clicks made while a workflow blocks the window must not start another.
    for (QPushButton* b : {create_, upload_, about_, exit_}) b->setEnabled(false);
    const auto failure = workflows_->RunCaught(workflow);
    // Clicks made meanwhile reach the disabled buttons now and are dropped.
    QCoreApplication::processEvents();
    for (QPushButton* b : {create_, upload_, about_, exit_}) b->setEnabled(true);
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

}  // namespace marnoch
