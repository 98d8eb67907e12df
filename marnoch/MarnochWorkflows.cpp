#include "marnoch/MarnochWorkflows.h"

#include "marnoch/MarnochTexts.h"

namespace marnoch {

MarnochWorkflows::MarnochWorkflows(IFileChooser& chooser, IStatusSink& status, CProgCtrl& progress,
                                   PortFactory makePort)
    : chooser_(chooser), status_(status), progress_(progress), makePort_(std::move(makePort)) {}

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
    status_.SetStatus(text);
}

void MarnochWorkflows::RunCreateBackup() {
    std::string text;
    auto port = findUnit(text);
    chooseFile(false);
    status_.SetStatus(text::kGettingSettings);
    if (!port->RetrieveSettings(text, progress_)) throw WorkflowFailure{text};
    status_.SetStatus(text);
    status_.SetStatus(text::kWritingFile);
    if (!port->WriteSettingsFile(chosen_, text)) throw WorkflowFailure{text};
    status_.SetStatus(text);
}

std::optional<std::string> MarnochWorkflows::RunCaught(void (MarnochWorkflows::*workflow)()) {
    try {
        (this->*workflow)();
    } catch (const WorkflowFailure& failure) {
        return failure.text;
    }
    return std::nullopt;
}

}  // namespace marnoch
