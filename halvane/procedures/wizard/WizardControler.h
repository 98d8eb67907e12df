#pragma once

#include "halvane/diagnostics/ThreadHandler.h"
#include "halvane/procedures/measurement/CEqMeasurementProc.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>

namespace platform {
class UserPrompt;
}

namespace halvane::document {
class CHalvaneDoc;
}

namespace halvane::procedures {

class IProcDialog;

// What the wizard's real steps talk to besides the document and the host:
// the measurement's recorder, dialogs and calibration, and the prompt of
// the wizard's own questions (null: the process-wide one).
struct WizardServices {
    MeasurementServices measurement;
    platform::UserPrompt* prompt = nullptr;
};

// The room correction in three steps, Measure, Calculate and Upload, each
// run on the controller's worker with the wizard dialog as the host of its
// jobs. A step ends by posting UM_DONE to the host's window: 20 when it
// succeeded (the step number has moved on), 10 when it failed (the number
// stays, so Start repeats it). A step never ends silently: an exception
// inside one is shown to the user (status and message box) and posted as a
// failure.
class WizardControler {
public:
    using STEP = std::int32_t;
    static constexpr STEP kMeasure = 0;
    static constexpr STEP kCalculate = 1;
    static constexpr STEP kUpload = 2;
    static constexpr STEP kFinished = 3;
    static constexpr int kStepSucceeded = 20;
    static constexpr int kStepFailed = 10;

    using StepOperation = std::function<void(WizardControler&)>;
    using Steps = std::array<StepOperation, 3>;

    // `save` and `proceed` are the dialog's two options, read at the start.
    WizardControler(Steps steps, IProcDialog& host, bool save, bool proceed, document::CHalvaneDoc* document,
                    WizardServices services = {});
    // Destroys the worker, waiting for a running step.
    ~WizardControler();
    WizardControler(const WizardControler&) = delete;
    WizardControler& operator=(const WizardControler&) = delete;

    // The real steps: MeasureStep, CalculateStep, UploadStep.
    static Steps DefaultSteps();

    // Starts a run: a new worker (the old one ended first), then step 0.
    // Any exception posts a failure.
    void Begin();
    // Queues the step's operation on the worker; a step above 2 throws
    // std::logic_error.
    void RunStep(STEP step);
    // RunStep(current step); any exception posts a failure.
    void RunCurrentStep();
    // After a successful step, on the user-interface thread: with "save",
    // marks the document modified and saves it (`saveDocument`, the file
    // save command, which asks for a name when there is none; a Cancel
    // there leaves the document modified and the run goes on); then with
    // "proceed" starts the next step and answers true. `mayProceed` false
    // (the user aborted the stage that has just ended) only saves.
    bool AfterStep(const std::function<bool()>& saveDocument, bool mayProceed = true);

    STEP Step() const { return step_.load(); }
    void SetStep(STEP step) { step_.store(step); }
    // UM_DONE with `result` to the host's window.
    void PostResult(int result);
    // Drops the worker's queued steps.
    void ClearQueue();

    IProcDialog& Host() { return host_; }
    document::CHalvaneDoc* Document() { return document_; }
    const WizardServices& Services() const { return services_; }
    platform::UserPrompt& Prompt();
    bool SavesEachStep() const { return save_; }
    bool Proceeds() const { return proceed_; }

    static void MeasureStep(WizardControler& controler);
    static void CalculateStep(WizardControler& controler);
    static void UploadStep(WizardControler& controler);

    static constexpr const char* kInvalidStep = "void WizardControler::RunStep(STEP step) called with invalid step";
    static constexpr const char* kCalculationFailed = "Calculation failed";

private:
    using Worker = diagnostics::Threading::UIThreadHandler<WizardControler, void*>;
    // The worker's task: one step, any exception turned into a failure.
    void RunGuarded(STEP step);
    // A step that could not run or ended by an exception: its text in the
    // status line and a box, the queue emptied and the failure posted.
    void ReportFailure(const std::exception_ptr& failure);

    Steps steps_;
    std::atomic<STEP> step_{kMeasure};
    std::unique_ptr<Worker> worker_;
    IProcDialog& host_;
    bool save_;
    bool proceed_;
    document::CHalvaneDoc* document_;
    WizardServices services_;
};

}  // namespace halvane::procedures
