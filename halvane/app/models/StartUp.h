#pragma once

#include <functional>
#include <string>
#include <vector>

namespace halvane::document {
class AppState;
}
namespace halvane::document {
class CHalvaneDoc;
}
namespace halvane::document {
class ProcedureService;
}

namespace halvane::app::models {


// What the command line asks for: a new document, a document to open, or
// something else (an option), which ends start-up at once.
struct CommandLine {
    enum Request { FileNew, FileOpen, Other };
    Request request = FileNew;
    std::string path;
};

// The arguments after the program's name: the first that is not an option
// is the document to open; an argument starting with '-' is another request.
// ('/' starts a path here, never an option.)
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The windows start-up drives. The Qt program implements it; tests fake it.
class StartUpHost {
public:
    virtual ~StartUpHost() = default;
    // The welcome page, modal; true for OK (it has set the start mode),
    // false for Exit.
    virtual bool RunWelcomePage() = 0;
    // Creates the hidden main frame with an empty document.
    virtual bool NewDocument() = 0;
    // Creates the hidden main frame and opens `path` in it; false when the
    // open failed.
    virtual bool OpenDocument(const std::string& path) = 0;
    // The main frame's document, or null without a main frame.
    virtual document::CHalvaneDoc* Document() = 0;
    // Closes the main frame (which asks to save a changed document); false
    // when it stayed open because the user cancelled that question.
    virtual bool CloseMainWindow() = 0;
    virtual void ShowMainWindowMaximized() = 0;
};

// The application's start after the settings, the language and the labels:
// acts on the command line (welcome page and new document, or the
// document), runs the wizard in automatic mode, shows the main window and
// marks start-up complete. 1 to run the message loop, 0 to end at once.
int InitInstance(StartUpHost& host, document::AppState& app, document::ProcedureService& procedures, const CommandLine& commandLine);

// The last-resort box's text for an exception that escaped (null: one of
// no known kind).
std::string FatalErrorText(const char* what);

// Runs `body` and returns its result; an exception that escapes is shown
// through `showFatal` with FatalErrorText and the result is -1.
int GuardedRun(const std::function<int()>& body, const std::function<void(const std::string&)>& showFatal);

}  // namespace halvane::app::models
