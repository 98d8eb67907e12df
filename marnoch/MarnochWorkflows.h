#pragma once

#include "marnoch/CProgCtrl.h"
#include "marnoch/CSerialPort.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace marnoch {

// The file dialog of the workflows: an open dialog (the file must exist) or
// a save dialog (asks before overwriting), for ".k47" files, proposing
// `initial`. False when the user cancels.
class IFileChooser {
public:
    virtual ~IFileChooser() = default;
    virtual bool ChooseSettingsFile(bool open, const std::string& initial, std::string& chosen) = 0;
};

// The status line; it must show the text at once, while the workflow blocks.
class IStatusSink {
public:
    virtual ~IStatusSink() = default;
    virtual void SetStatus(const std::string& text) = 0;
};

// What a workflow throws on its first failure: the text the user sees.
struct WorkflowFailure {
    std::string text;
};

// The program's two workflows, "Create Backup File" and "Upload Backup File
// to Processor". Each finds the unit first (so a missing unit is reported
// before any file dialog), then asks for the file, then transfers, showing
// each step in the status line.
class MarnochWorkflows {
public:
    using PortFactory = std::function<std::unique_ptr<CSerialPort>()>;

    MarnochWorkflows(IFileChooser& chooser, IStatusSink& status, CProgCtrl& progress, PortFactory makePort);

    // Throw WorkflowFailure.
    void RunUpload();
    void RunCreateBackup();

    // The failure catcher of the buttons: runs one workflow and gives the
    // text to show, if it failed: a workflow's own failure, the text of any
    // other exception, or "Unrecognized exception" for one without text.
    std::optional<std::string> RunCaught(void (MarnochWorkflows::*workflow)());

    // "untitled.k47" until a file has been chosen, then the last choice.
    const std::string& chosenFileName() const { return chosen_; }

private:
    std::unique_ptr<CSerialPort> findUnit(std::string& text);
    void chooseFile(bool open);

    IFileChooser& chooser_;
    IStatusSink& status_;
    CProgCtrl& progress_;
    PortFactory makePort_;
    std::string chosen_ = "untitled.k47";
};

// The last-resort text of the program's main: a standard exception's own
// text and that the program closes; "Unrecognized exception" for what
// carries no text (`what` null or empty).
std::string FatalErrorText(const char* what);

}  // namespace marnoch
