#pragma once

#include <QApplication>
#include <memory>
#include <string>

#include "halvane/app/models/StartUp.h"

namespace platform {
class UserPrompt;
}

namespace halvane {

class AppState;
class CHalvaneDoc;
class DocumentPostLoad;
class CMainFrame;
class LanguageManager;
class ProcedureService;

// The windows of Halvane's start: the welcome page, then the hidden main
// frame over its one document, shown once the wizard (if any) is done.
class HalvaneShell final : public StartUpHost {
public:
    HalvaneShell(AppState& app, ProcedureService& procedures, platform::UserPrompt& prompt,
                 LanguageManager* languages);
    ~HalvaneShell() override;

    bool RunWelcomePage() override;
    bool NewDocument() override;
    bool OpenDocument(const std::string& path) override;
    CHalvaneDoc* Document() override { return doc_.get(); }
    bool CloseMainWindow() override;
    void ShowMainWindowMaximized() override;

    CMainFrame* Frame() const { return frame_.get(); }

    // Tests: the welcome page answers this instead of showing (0 automatic,
    // 1 manual, -1 Exit); unset (-2) it runs modally.
    int scriptedWelcome = -2;

private:
    bool CreateFrame();

    AppState& app_;
    ProcedureService& procedures_;
    platform::UserPrompt& prompt_;
    LanguageManager* languages_;
    // The post-load steps every document gets (first open and File > Open).
    std::unique_ptr<DocumentPostLoad> postLoad_;
    std::unique_ptr<CHalvaneDoc> doc_;
    std::unique_ptr<CMainFrame> frame_;
};

// Halvane's application object: an exception that escapes a handler ends
// the program with the last-resort box and exit code -1 (Qt cannot unwind
// one through its event loop).
class HalvaneApplication final : public QApplication {
public:
    HalvaneApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
    // An exception escaped a handler (the box has been shown).
    bool Failed() const { return failed_; }

private:
    bool failed_ = false;
};

// The last-resort box (error icon).
void ShowFatalBox(const std::string& text);

}  // namespace halvane
