#include "halvane/app/HalvaneShell.h"

#include <QMessageBox>

#include "halvane/app/CMainFrame.h"
#include "halvane/app/CWelcomeDlg.h"
#include "halvane/app/JobsProcedureService.h"
#include "halvane/document/AppState.h"
#include "halvane/document/CHalvaneDoc.h"
#include "halvane/procedures/jobs/CrossoverTargetJobs.h"
#include "platform/qt/UiMessagePump.h"

namespace halvane::app {

namespace {

// The jobs' post-load steps over the main window as it is when a document
// is read (none yet at the first open from the command line).
class FramePostLoad final : public document::DocumentPostLoad {
public:
    explicit FramePostLoad(document::ProcedureService& procedures) : procedures_(procedures) {}
    void RebuildGroupCurves(document::CHalvaneDoc& document) override { Steps().RebuildGroupCurves(document); }
    void UpdateLevels(document::CHalvaneDoc& document) override { Steps().UpdateLevels(document); }
    void RunRecalcTarg(document::CHalvaneDoc& document) override { Steps().RunRecalcTarg(document); }

private:
    procedures::ProcedurePostLoad Steps() const {
        const auto* jobs = dynamic_cast<const JobsProcedureService*>(&procedures_);
        if (jobs == nullptr) return procedures::ProcedurePostLoad();
        return procedures::ProcedurePostLoad(jobs->MainWindow(), nullptr, jobs->ProcedureDialog());
    }
    document::ProcedureService& procedures_;
};

}  // namespace

HalvaneShell::HalvaneShell(document::AppState& app, document::ProcedureService& procedures, platform::UserPrompt& prompt,
                           models::LanguageManager* languages, platform::Profile* profile)
    : app_(app),
      procedures_(procedures),
      prompt_(prompt),
      languages_(languages),
      profile_(profile),
      postLoad_(std::make_unique<FramePostLoad>(procedures)) {}

HalvaneShell::~HalvaneShell() {
    if (auto* jobs = dynamic_cast<JobsProcedureService*>(&procedures_)) jobs->SetMainWindow(nullptr, {});
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
    document::CHalvaneDoc::Services services;
    services.app = &app_;
    services.prompt = &prompt_;
    services.postLoad = postLoad_.get();
    doc_ = std::make_unique<document::CHalvaneDoc>(services);
    frame_ = std::make_unique<CMainFrame>(*doc_, app_, procedures_, prompt_, languages_, profile_);
    // The jobs' dialogs and questions open over the main window, and the
    // wizard saves through its file save.
    if (auto* jobs = dynamic_cast<JobsProcedureService*>(&procedures_)) {
        CMainFrame* frame = frame_.get();
        jobs->SetMainWindow(frame, [frame] { return frame->Commands().SaveDocument(); });
    }
    return true;
}

bool HalvaneShell::NewDocument() {
    if (!CreateFrame()) return false;
    return doc_->OnNewDocument();
}

bool HalvaneShell::OpenDocument(const std::string& path) {
    if (!CreateFrame()) return false;
    if (!doc_->OnOpenDocument(path)) {
        if (auto* jobs = dynamic_cast<JobsProcedureService*>(&procedures_)) jobs->SetMainWindow(nullptr, {});
        frame_.reset();
        doc_.reset();
        return false;
    }
    doc_->SetPathName(path);
    frame_->AddRecentFile(QString::fromStdString(path));
    return true;
}

bool HalvaneShell::CloseMainWindow() {
    if (frame_ == nullptr) return true;
    return frame_->close();
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
    code = models::GuardedRun(
        [&] {
            handled = QApplication::notify(receiver, event);
            return 0;
        },
        ShowFatalBox);
    if (code != 0) EndWithFailure();
    return handled;
}

void HalvaneApplication::EndWithFailure() {
    failed_ = true;
    QCoreApplication::exit(-1);
}

void RouteUiFailures(platform::qt::UiMessagePump& pump, std::function<void(const std::string&)> showFatal,
                     std::function<void()> end) {
    pump.setFailureHandler([showFatal = std::move(showFatal), end = std::move(end)](std::exception_ptr failure) {
        models::GuardedRun([&]() -> int { std::rethrow_exception(failure); }, showFatal);
        end();
    });
}

void ShowFatalBox(const std::string& text) {
    QMessageBox::critical(nullptr, "Halvane", QString::fromStdString(text));
}

}  // namespace halvane::app
