#include "halvane/app/models/StartUp.h"

#include <exception>

#include "halvane/diagnostics/TException.h"
#include "halvane/document/AppState.h"
#include "halvane/document/CHalvaneDoc.h"
#include "halvane/document/ProcedureService.h"

namespace halvane::app::models {

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    for (const std::string& argument : arguments) {
        if (!argument.empty() && argument[0] == '-') {
            line.request = CommandLine::Other;
            line.path.clear();
            return line;
        }
        if (line.request == CommandLine::FileNew) {
            line.request = CommandLine::FileOpen;
            line.path = argument;
        }
    }
    return line;
}

int InitInstance(StartUpHost& host, document::AppState& app, document::ProcedureService& procedures, const CommandLine& commandLine) {
    switch (commandLine.request) {
    case CommandLine::FileNew:
        if (!host.RunWelcomePage()) return 0;
        if (!host.NewDocument()) return 0;
        break;
    case CommandLine::FileOpen:
        app.StartMode = document::AppState::Manual;
        if (!host.OpenDocument(commandLine.path)) return 0;
        break;
    case CommandLine::Other:
        return 0;
    }
    document::CHalvaneDoc* doc = host.Document();
    if (doc == nullptr) return 0;
    if (app.StartMode.load() != document::AppState::Manual) {
        // The frame stays hidden while the wizard runs, and m_bInitialized
        // stays 0 so that the wizard's document changes do not refresh it.
        // Anything but "Show Results" ends the program, unless the user
        // cancelled saving the changed document: then the main window
        // shows, so that no measurement is lost.
        if (procedures.RunWizard(*doc) != 1 && host.CloseMainWindow()) return 0;
    }
    host.ShowMainWindowMaximized();
    app.m_bInitialized = 1;
    return 1;
}

std::string FatalErrorText(const char* what) {
    std::string text = "Error! Unhandled runtime error:\n\n";
    if (what != nullptr)
        text += std::string(what) + "\n\nApplication is closing.";
    else
        text += "Unrecognized exception";
    return text;
}

int GuardedRun(const std::function<int()>& body, const std::function<void(const std::string&)>& showFatal) {
    try {
        return body();
    } catch (const diagnostics::TException& e) {
        showFatal(FatalErrorText(e.what()));
    } catch (const std::exception& e) {
        showFatal(FatalErrorText(e.what()));
    } catch (...) {
        showFatal(FatalErrorText(nullptr));
    }
    return -1;
}

}  // namespace halvane::app::models
