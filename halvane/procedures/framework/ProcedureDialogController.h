#pragma once

#include "halvane/procedures/framework/DialogWindows.h"
#include "halvane/procedures/framework/IProcDialog.h"
#include "halvane/procedures/framework/ProcedureDialogView.h"
#include "halvane/procedures/framework/ProcedureState.h"
#include "halvane/procedures/framework/ProgressBarActivity.h"
#include "platform/UserPrompt.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

namespace halvane::procedures {

class CProcBase;

// The modal progress dialog of a procedure, without its widgets: the host
// (IProcDialog) the job reports to, the dialog's states and texts, Start and
// Abort, and the abort confirmation. A shell (the Qt dialog, or the headless
// one) attaches its widgets as a ProcedureDialogView and runs the modal loop.
//
// The job's calls arrive on its worker and only queue window messages: the
// progress to the dialog's progress bar (PBM_SETRANGE32, PBM_SETPOS), texts
// as UM_SET_DISPLAY_STRING and the end as UM_DONE to the dialog; before the
// widgets are attached (and after they are gone) they are ignored. The
// user-interface thread drains the queue and the messages reach the view in
// the order they were sent. Between counted phases (the processor's power
// waits) the bar is busy (ProgressBarActivity).
class ProcedureDialogController final : public IProcDialog {
public:
    // `caption` is the procedure's title; `statusArgument` fills %1 of the
    // status texts. `prompt` asks the confirmation (null: the process-wide
    // prompt).
    ProcedureDialogController(CProcBase& procedure, std::string caption, std::string statusArgument,
                              platform::UserPrompt* prompt = nullptr);
    ~ProcedureDialogController() override;

    // The shell's widgets exist: from now on the dialog and its progress bar
    // are windows that queued messages reach. `nativeDialog` is the
    // toolkit's dialog object (owner of the job's questions).
    void Attach(ProcedureDialogView& view, void* nativeDialog = nullptr, void* nativeProgressBar = nullptr);
    // The widgets are going: later messages to them are dropped.
    void Detach();

    // Dialog initialisation: the caption; with auto-start (always, unless a
    // test turns it off), Start disabled, Abort enabled, the procedure
    // started and state 4.
    void OnInitDialog();
    void OnStart();
    // The Abort button, Escape and the close box: asks "Are you sure you want
    // to abort?" ("Please confirm:", Yes/No). Yes: Abort disabled, state 5
    // and the procedure's Abort. No: nothing changes. Once aborting, further
    // requests are ignored (the job is stopping).
    void OnAbort();
    // UM_DONE: ends the modal loop with `result`. When it comes while the
    // confirmation is open, the dialog ends once that has been answered, and
    // the answer is moot.
    void OnDone(int result);
    void OnSetDisplayString(const std::string& text);
    void OnRunTask(void* argument);

    void SetProcedureState(int state);
    int State() const { return state_; }
    void SetAutoStart(bool autoStart) { autoStart_ = autoStart; }
    const std::string& Caption() const { return caption_; }
    bool Ended() const { return ended_; }
    int EndResult() const { return endResult_; }
    bool Confirming() const { return confirming_; }

    platform::WindowHandle ProgressBarHandle() const { return windows_.ProgressBar(); }

    // IProcDialog, callable from the job's worker.
    int GetResult() override { return 0; }
    platform::WindowHandle GetHwnd() override { return windows_.Dialog(); }
    void SetDisplayString(std::string text) override;
    void SetRange(int total) override;
    void SetPos(int position) override;

    static constexpr const char* kAbortQuestion = "Are you sure you want to abort?";
    static constexpr const char* kAbortCaption = "Please confirm:";

protected:
    void DeliverDone(int result) override;

private:
    std::intptr_t onDialogMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    void endDialog(int result);

    CProcBase& procedure_;
    std::string caption_;
    std::string statusArgument_;
    platform::UserPrompt* prompt_;
    int state_ = kProcedureInitial;
    bool autoStart_ = true;

    // User-interface thread only.
    ProcedureDialogView* view_ = nullptr;
    bool confirming_ = false;
    std::optional<int> doneWhileConfirming_;
    // The bar: the job's range, or busy while the job waits uncounted.
    ProgressBarActivity activity_;
    bool ended_ = false;
    int endResult_ = 0;
    // Its handles are read by the worker: "the window exists".
    DialogWindows windows_;
};

}  // namespace halvane::procedures
