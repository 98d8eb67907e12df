#pragma once

#include "halvane/procedures/framework/IProcDialog.h"
#include "halvane/procedures/framework/ProgressBarActivity.h"
#include "halvane/procedures/wizard/WizardControler.h"
#include "platform/WindowBinding.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace platform {
class UserPrompt;
}

namespace halvane::document {
class CHalvaneDoc;
}

namespace halvane::procedures {


// The wizard's widgets as its logic drives them: the status text, the
// progress bar, Start and "Abort stage", the two options ("Automatically
// proceed to the next step", "Save progress after each step") and the three
// step boxes (Measure, Calculate, Upload).
class WizardView {
public:
    virtual ~WizardView() = default;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual void SetStatusText(const std::string& text) = 0;
    virtual void SetProgressRange(int low, int high) = 0;
    virtual void SetProgressPos(int position) = 0;
    // Busy: the bar animates instead of showing the range, which it keeps.
    virtual void SetProgressBusy(bool /*busy*/) {}
    virtual void EnableStart(bool enabled) = 0;
    virtual void EnableAbort(bool enabled) = 0;
    virtual void EnableOptions(bool enabled) = 0;
    virtual void SetOptions(bool proceed, bool save) = 0;
    virtual bool ProceedOption() const = 0;
    virtual bool SaveOption() const = 0;
    virtual void SetStepBoxes(bool measured, bool calculated, bool uploaded) = 0;
    // Ends the modal loop with `result` (1 "Show Results", 2 otherwise).
    virtual void EndDialog(int result) = 0;
};

// The wizard dialog without its widgets: the host (IProcDialog) of every job
// its steps run, Start, "Abort stage", the step results and the way out.
//
// The jobs call the host from the controller's worker: progress and texts
// only queue window messages to the dialog, and Done only stores the result
// that the step then reads (GetResult). Everything else runs on the
// user-interface thread.
class WizardDialogController final : public IProcDialog {
public:
    struct Environment {
        document::CHalvaneDoc* document = nullptr;
        // Null members: the real steps.
        WizardControler::Steps steps = WizardControler::DefaultSteps();
        WizardServices services;
        // The abort question (null: the process-wide prompt).
        platform::UserPrompt* prompt = nullptr;
        // The program's file save (asks for a name when there is none);
        // true when saved.
        std::function<bool()> saveDocument;
        // The completion page over the wizard ("Room Correction
        // complete!"): 1 "Show Results", 2 "Exit", 0 or less when it could
        // not be shown; its answer is the wizard's result (empty: Exit).
        std::function<int(platform::WindowHandle)> completionPage;
    };

    explicit WizardDialogController(Environment environment);
    // Ends the controller (and waits for its worker) before the host goes.
    ~WizardDialogController() override;

    void Attach(WizardView& view, void* nativeDialog = nullptr);
    void Detach();

    // Caption, both options ticked, "Abort stage" disabled, "Press start to
    // begin.".
    void OnInitDialog();
    // Start: the abort of an earlier stage is cleared, Start and the options
    // disabled, "Abort stage" enabled, "Running..."; then the current step
    // again, or a new run from the first step.
    void OnStart();
    // "Abort stage": asks "Are you sure you want to abort?"; Yes stops the
    // running job at its next poll and drops queued steps.
    void OnAbortStage();
    // UM_DONE from a step (20 succeeded, 10 failed).
    void OnStepDone(int result);
    // A click on a step box: the boxes show the controller's step again.
    void OnStepBoxClicked();
    // Escape or the close box. With no step running the wizard ends with
    // Cancel; while one runs, the request goes to "Abort stage", and after a
    // Yes the wizard ends once the step's result has come (the jobs' host
    // must not go while a job runs).
    void OnCloseRequest();

    bool StepRunning() const { return stepRunning_; }
    bool Ended() const { return ended_; }
    int EndResult() const { return endResult_; }
    WizardControler* Controler() const { return controler_.get(); }

    // IProcDialog, callable from the jobs' worker.
    int GetResult() override { return result_.load(); }
    platform::WindowHandle GetHwnd() override { return platform::WindowHandle{dialogId_.load()}; }
    void* GetWnd() override { return nativeDialog_.load(); }
    void SetDisplayString(std::string text) override;
    void SetRange(int total) override;
    void SetPos(int position) override;

    static constexpr int kShowResults = 1;  // the wizard's OK
    static constexpr int kExit = 2;         // its Cancel
    static constexpr const char* kRunning = "Running...";
    static constexpr const char* kAborting = "Aborting...";
    static constexpr const char* kNextStep = "Press start to start the next step.";
    static constexpr const char* kStepFailed = "The previous step failed.\n\rPress start to repeat the last step.";
    static constexpr const char* kAbortQuestion = "Are you sure you want to abort?";

protected:
    void DeliverDone(int result) override { result_.store(result); }

private:
    std::intptr_t onMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    void ShowStepBoxes();
    void EndDialog(int result);
    platform::UserPrompt& Prompt();

    Environment env_;
    std::unique_ptr<WizardControler> controler_;
    std::atomic<int> result_{0};

    // User-interface thread only.
    WizardView* view_ = nullptr;
    // The bar: the job's range, or busy while a step waits uncounted.
    ProgressBarActivity activity_;
    bool stepRunning_ = false;
    bool confirming_ = false;
    std::optional<int> doneWhileConfirming_;
    bool closeRequested_ = false;
    bool closeAfterStep_ = false;
    bool ended_ = false;
    int endResult_ = 0;
    platform::WindowBinding window_;

    std::atomic<std::uint64_t> dialogId_{0};
    std::atomic<void*> nativeDialog_{nullptr};
};

}  // namespace halvane::procedures
