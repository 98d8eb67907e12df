#pragma once

#include "halvane/document/ProcedureService.h"
#include "halvane/document/TargetJobs.h"
#include "halvane/procedures/framework/DoProcedure.h"
#include "halvane/procedures/quickmeasure/CQuickMeasureController.h"
#include "halvane/procedures/wizard/WizardDialogController.h"
#include "platform/WindowBinding.h"

#include <array>
#include <functional>

class QWidget;

namespace platform {
class Clock;
class SoundSystem;
class UserPrompt;
}  // namespace platform

namespace halvane::procedures {
class ICalibrationSource;
}

namespace halvane::app {


// The program's jobs behind the main frame's commands and the start-up:
// measurement, calculation, upload, erase, crossover detection, target
// recalculation, the target customisation, Quick Measure and the wizard.
// Each runs under the modal progress dialog (or the wizard) over the main
// window, so no job dialog or question opens behind it.
class JobsProcedureService final : public document::ProcedureService, public document::TargetJobs {
public:
    // What the measuring jobs use. Null members take the program's own: the
    // process-wide prompt, the system's sound inputs and clock, and the
    // calibration of the measurement microphone found among those inputs.
    struct Options {
        platform::UserPrompt* prompt = nullptr;
        platform::SoundSystem* sound = nullptr;
        platform::Clock* clock = nullptr;
        procedures::ICalibrationSource* calibration = nullptr;
        // The windows of the modal progress dialog (the program's is
        // RunProcedureDialog); empty: the headless dialog.
        procedures::ProcedureDialogShell procedureDialog;
        // Tests: adjusts the wizard before it is shown (a queued click, ...).
        std::function<void(procedures::WizardDialogController::Environment&)> wizardSetUp;
    };

    JobsProcedureService();
    explicit JobsProcedureService(Options options);
    ~JobsProcedureService() override;

    // The main window (null: none): parent of the jobs' dialogs and owner of
    // their questions; `saveDocument` is its file save, used by the wizard's
    // "Save progress after each step".
    void SetMainWindow(QWidget* window, std::function<bool()> saveDocument);
    platform::WindowHandle MainWindow() const { return window_.handle(); }
    // The progress dialog the jobs run under (Options::procedureDialog).
    const procedures::ProcedureDialogShell& ProcedureDialog() const { return options_.procedureDialog; }

    int RunMeasurementProcedure(document::CHalvaneDoc& doc) override;
    int RunEqCalcProc(document::CHalvaneDoc& doc) override;
    int RunUploadProc(document::CHalvaneDoc& doc) override;
    int RunEraseProc(document::CHalvaneDoc& doc) override;
    int RunAutoDetectXOvers(document::CHalvaneDoc& doc) override;
    int RunRecalcTarg(document::CHalvaneDoc& doc) override;
    int OpenTargetCustomization(document::CHalvaneDoc& doc) override;
    int RunQuickMeasure(document::CHalvaneDoc& doc) override;
    int RunWizard(document::CHalvaneDoc& doc) override;

    // The target customisation's Auto Detect.
    int RunAutoDetectXOvers(platform::WindowHandle parent, std::array<signal::CCurveSet, 2>& measured, design::TargetConfig& config,
                            std::int32_t unitKind) override;


private:
    // A crossover or target job that did not complete: its headline and why,
    // in a box over `parent`, as the other jobs report theirs.
    void ShowFailure(const char* headline, const std::string& reason, platform::WindowHandle parent) const;

    Options options_;
    QWidget* widget_ = nullptr;
    platform::WindowBinding window_;
    std::function<bool()> saveDocument_;
};

}  // namespace halvane::app
