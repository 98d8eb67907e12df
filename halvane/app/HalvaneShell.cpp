#include "halvane/app/HalvaneShell.h"

#include <QMessageBox>

#include "halvane/app/CMainFrame.h"
#include "halvane/app/CWelcomeDlg.h"
#include "halvane/document/AppState.h"
#include "halvane/document/CHalvaneDoc.h"

namespace halvane {

HalvaneShell::HalvaneShell(AppState& app, ProcedureService& procedures, platform::UserPrompt& prompt,
                           LanguageManager* languages)
    : app_(app), procedures_(procedures), prompt_(prompt), languages_(languages) {}

HalvaneShell::~HalvaneShell() {
    frame_.reset();
    doc_.reset();
}

bool HalvaneShell::RunWelcomePage() {
    if (scriptedWelcome != -2) {
        if (scriptedWelcome < 0) return false;
        app_.StartMode = scriptedWelcome;
        return true;
    }
    CWelcomeDlg welcome(app_);
    return welcome.exec() == QDialog::Accepted;
}

bool HalvaneShell::CreateFrame() {
    if (frame_ != nullptr) return true;
    CHalvaneDoc::Services services;
    services.app = &app_;
    services.prompt = &prompt_;
    doc_ = std::make_unique<CHalvaneDoc>(services);
    frame_ = std::make_unique<CMainFrame>(*doc_, app_, procedures_, prompt_, languages_);
    return true;
}

bool HalvaneShell::NewDocument() {
    if (!CreateFrame()) return false;
    return doc_->OnNewDocument();
}

bool HalvaneShell::OpenDocument(const std::string& path) {
    if (!CreateFrame()) return false;
    if (!doc_->OnOpenDocument(path)) {
        frame_.reset();
        doc_.reset();
        return false;
    }
    doc_->SetPathName(path);
    CMainFrame::AddRecentFile(QString::fromStdString(path));
    return true;
}

void HalvaneShell::CloseMainWindow() {
    if (frame_ != nullptr) frame_->close();
}

void HalvaneShell::ShowMainWindowMaximized() {
    if (frame_ == nullptr) return;
    frame_->RefreshViews();
    frame_->AutoScaleAll();
    frame_->showMaximized();
}

HalvaneApplication::HalvaneApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool HalvaneApplication::notify(QObject* receiver, QEvent* event) {
    int code = 0;
    bool handled = false;
    code = GuardedRun(
        [&] {
            handled = QApplication::notify(receiver, event);
            return 0;
        },
        ShowFatalBox);
    if (code != 0) {
        failed_ = true;
        QCoreApplication::exit(-1);
    }
    return handled;
}

void ShowFatalBox(const std::string& text) {
    QMessageBox::critical(nullptr, "Halvane", QString::fromStdString(text));
}

}  // namespace halvane
