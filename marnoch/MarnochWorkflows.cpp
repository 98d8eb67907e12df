#include "marnoch/MarnochWorkflows.h"

#include "marnoch/MarnochTexts.h"
#include "marnoch/SettingsFile.h"

#include <exception>

namespace marnoch {

MarnochWorkflows::MarnochWorkflows(IFileChooser& chooser, IStatusSink& status, CProgCtrl& progress,
                                   PortFactory makePort)
    : chooser_(chooser), status_(status), progress_(progress), makePort_(std::move(makePort)) {}

namespace {

// A success may come with a note after its first line (the clock not set,
// addresses a backup may have changed): the status line shows the first
// line and the note is shown in the box like a failure's text, since the
// status line is gone with the next step.
std::string noteOf(const std::string& text) {
    const auto at = text.find("\n\n");
    return at == std::string::npos ? std::string() : text.substr(at);
}

}  // namespace

// One out text serves the whole workflow: a step that succeeds without a
// report of its own leaves the previous one (the found text) in the status.
std::unique_ptr<CSerialPort> MarnochWorkflows::findUnit(std::string& text) {
    auto port = makePort_ ? makePort_() : std::make_unique<CSerialPort>();
    status_.SetStatus(text::kFindingUnit);
    if (!port->FindBZT(text, &progress_)) throw WorkflowFailure{text};
    status_.SetStatus(text);
    return port;
}

void MarnochWorkflows::chooseFile(bool open) {
    std::string chosen;
    if (!chooser_.ChooseSettingsFile(open, chosen_, chosen)) throw WorkflowFailure{text::kInvalidFileSelection};
    chosen_ = chosen;
}

void MarnochWorkflows::RunUpload() {
    std::string text;
    auto port = findUnit(text);
    chooseFile(true);
    status_.SetStatus(text::kReadingFile);
    // Nothing reaches the unit unless the whole file is sound.
    if (!port->ReadSettingsFile(chosen_, text)) throw WorkflowFailure{text};
    status_.SetStatus(text);
    status_.SetStatus(text::kProgramming);
    if (!port->ProgramSettings(text, progress_)) throw WorkflowFailure{text};
    const std::string note = noteOf(text);
    status_.SetStatus(text.substr(0, text.size() - note.size()));
    if (!note.empty()) throw WorkflowFailure{text};
}

void MarnochWorkflows::RunCreateBackup() {
    std::string text;
    auto port = findUnit(text);
    chooseFile(false);
    // A place that cannot take the file is refused before the long read.
    if (!CheckSettingsFileWritable(chosen_, text)) throw WorkflowFailure{text};
    status_.SetStatus(text::kGettingSettings);
    if (!port->RetrieveSettings(text, progress_)) throw WorkflowFailure{text};
    const std::string note = noteOf(text);
    status_.SetStatus(text.substr(0, text.size() - note.size()));
    status_.SetStatus(text::kWritingFile);
    if (!port->WriteSettingsFile(chosen_, text)) throw WorkflowFailure{text + note};
    status_.SetStatus(text);
    if (!note.empty()) throw WorkflowFailure{text + note};
}

std::optional<std::string> MarnochWorkflows::RunCaught(void (MarnochWorkflows::*workflow)()) {
    try {
        (this->*workflow)();
    } catch (const WorkflowFailure& failure) {
        return failure.text;
    } catch (const std::exception& e) {
        // Anything else that ends a step (no memory, a system error) is a
        // failed step too: the user hears of it and the program goes on.
        const std::string what = e.what();
        return what.empty() ? std::string(text::kUnrecognizedException) : what;
    } catch (...) {
        return std::string(text::kUnrecognizedException);
    }
    return std::nullopt;
}

std::string FatalErrorText(const char* what) {
    if (what == nullptr || *what == '\0') return text::kUnrecognizedException;
    return std::string(what) + "\n\nApplication is closing.";
}

}  // namespace marnoch
