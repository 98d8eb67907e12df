#pragma once

#include <QApplication>
#include <functional>
#include <memory>
#include <string>

#include "halvane/app/models/StartUp.h"

namespace platform {
class Profile;
class UserPrompt;
namespace qt {
class UiMessagePump;
}
}  // namespace platform

namespace halvane::document {
class AppState;
}
namespace halvane::document {
class CHalvaneDoc;
}
namespace halvane::document {
class DocumentPostLoad;
}
namespace halvane::app::models {
class LanguageManager;
}
namespace halvane::document {
class ProcedureService;
}

namespace halvane::app {

class CMainFrame;

// The windows of Halvane's start: the welcome page, then the hidden main
// frame over its one document, shown once the wizard (if any) is done.
class HalvaneShell final : public models::StartUpHost {
public:
    // `languages` and `profile` (the stored settings: the recent-file list)
    // may be null.
    HalvaneShell(document::AppState& app, document::ProcedureService& procedures, platform::UserPrompt& prompt,
                 models::LanguageManager* languages, platform::Profile* profile = nullptr);
    ~HalvaneShell() override;

    bool RunWelcomePage() override;
    bool NewDocument() override;
    bool OpenDocument(const std::string& path) override;
    document::CHalvaneDoc* Document() override { return doc_.get(); }
    bool CloseMainWindow() override;
    void ShowMainWindowMaximized() override;

    CMainFrame* Frame() const { return frame_.get(); }

    // Tests: the welcome page answers this instead of showing (0 automatic,
    // 1 manual, -1 Exit); unset (-2) it runs modally.
    int scriptedWelcome = -2;

private:
    bool CreateFrame();

    document::AppState& app_;
    document::ProcedureService& procedures_;
    platform::UserPrompt& prompt_;
    models::LanguageManager* languages_;
    platform::Profile* profile_;
    // The post-load steps every document gets (first open and File > Open).
    std::unique_ptr<document::DocumentPostLoad> postLoad_;
    std::unique_ptr<document::CHalvaneDoc> doc_;
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
    // After the last-resort box: every running event loop ends and the
    // program's result becomes -1.
    void EndWithFailure();

private:
    bool failed_ = false;
};

// The last-resort box (error icon).
void ShowFatalBox(const std::string& text);

// An exception that a window message's handler let escape goes the way of
// any other escaping exception: the last-resort box (`showFatal` with
// FatalErrorText), then `end`, the program's end.
void RouteUiFailures(platform::qt::UiMessagePump& pump, std::function<void(const std::string&)> showFatal,
                     std::function<void()> end);

}  // namespace halvane::app
