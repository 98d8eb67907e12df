#include "halvane/app/JobsProcedureService.h"

#include "halvane/app/CQuickMeasureDlg.h"
#include "halvane/app/CWizardDialog.h"
#include "halvane/app/MeasurementDialogs.h"
#include "halvane/app/models/CompletionPage.h"
#include "halvane/app/models/TargetCustomizationShell.h"
#include "halvane/document/CHalvaneDoc.h"
#include "halvane/procedures/jobs/CEqCalcProc.h"
#include "halvane/procedures/jobs/CEqUploadProc.h"
#include "halvane/procedures/jobs/CrossoverTargetJobs.h"
#include "halvane/procedures/measurement/MicrophoneCalibration.h"
#include "halvane/procedures/measurement/RunMeasurementProcedure.h"
#include "halvane/procedures/measurement/WaveRecorder.h"
#include "platform/UserPrompt.h"

#include <QWidget>

namespace halvane::app {

namespace {
// Measured Movie and Music.
constexpr int kMeasuredMovie = 0;
constexpr int kMeasuredMusic = 1;
const signal::CCurveSet kNoCurves;

// What one measuring run talks to: the recorder on the chosen sound
// system, the dialogs and the calibration.
struct MeasuringRun {
    explicit MeasuringRun(const JobsProcedureService::Options& options)
        : recorder(options.sound != nullptr ? *options.sound : platform::systemSoundSystem(),
                   options.clock != nullptr ? *options.clock : platform::systemClock()) {
        services.recorder = &recorder;
        services.speakerSelection = &selection;
        services.conflicts = &conflicts;
        services.calibration = options.calibration;
        services.prompt = options.prompt;
    }
    procedures::WaveRecorder recorder;
    SpeakerSelectionDialogUi selection;
    ConflictDialogUi conflicts;
    procedures::MeasurementServices services;
};
}  // namespace

JobsProcedureService::JobsProcedureService() = default;

JobsProcedureService::JobsProcedureService(Options options) : options_(std::move(options)) {}

JobsProcedureService::~JobsProcedureService() = default;

void JobsProcedureService::SetMainWindow(QWidget* window, std::function<bool()> saveDocument) {
    widget_ = window;
    window_ = window != nullptr
                  ? platform::WindowBinding([](std::uint32_t, std::uintptr_t, std::intptr_t) { return 0; }, window)
                  : platform::WindowBinding();
    saveDocument_ = std::move(saveDocument);
}

int JobsProcedureService::RunMeasurementProcedure(document::CHalvaneDoc& doc) {
    MeasuringRun run(options_);
    return procedures::RunMeasurementProcedure(MainWindow(), &doc, nullptr, run.services, ProcedureDialog()) ? 1 : 2;
}

int JobsProcedureService::RunEqCalcProc(document::CHalvaneDoc& doc) {
    return procedures::RunEqCalcProc(MainWindow(), doc, nullptr, nullptr, ProcedureDialog()) ? 1 : 2;
}

int JobsProcedureService::RunUploadProc(document::CHalvaneDoc& doc) {
    return procedures::RunUploadProc(MainWindow(), doc, nullptr, ProcedureDialog());
}

int JobsProcedureService::RunEraseProc(document::CHalvaneDoc& doc) {
    return procedures::RunEraseProc(MainWindow(), doc, nullptr, ProcedureDialog());
}

void JobsProcedureService::ShowFailure(const char* headline, const std::string& reason,
                                       platform::WindowHandle parent) const {
    std::string text = headline;
    if (!reason.empty() && reason != headline) text += "\n" + reason;
    platform::UserPrompt& prompt = options_.prompt != nullptr ? *options_.prompt : platform::CurrentUserPrompt();
    prompt.MessageBox(text, "", platform::MB_OK | platform::MB_ICONERROR, parent);
}

int JobsProcedureService::RunAutoDetectXOvers(document::CHalvaneDoc& doc) {
    const signal::CCurveSet* movie = doc.GetCurveSet(kMeasuredMovie);
    const signal::CCurveSet* music = doc.GetCurveSet(kMeasuredMusic);
    std::string failure;
    const int result = procedures::RunAutoDetectXOvers(nullptr, MainWindow(), movie ? *movie : kNoCurves,
                                                    music ? *music : kNoCurves, doc.m_TargetConfig, doc.m_nUnitKind,
                                                    &failure, ProcedureDialog());
    if (result == 1)
        doc.SetModifiedFlag();
    else
        ShowFailure(procedures::CAutoDetectXOvers::kFailedText, failure, MainWindow());
    return result;
}

int JobsProcedureService::RunAutoDetectXOvers(platform::WindowHandle parent, std::array<signal::CCurveSet, 2>& measured,
                                              design::TargetConfig& config, std::int32_t unitKind) {
    std::string failure;
    const int result =
        procedures::RunAutoDetectXOvers(nullptr, parent, measured[0], measured[1], config, unitKind, &failure,
                                        ProcedureDialog());
    if (result != 1) ShowFailure(procedures::CAutoDetectXOvers::kFailedText, failure, parent);
    return result;
}

int JobsProcedureService::RunRecalcTarg(document::CHalvaneDoc& doc) {
    std::string failure;
    const int result = procedures::RunRecalcTarg(doc, nullptr, MainWindow(), &failure, ProcedureDialog());
    if (result == 1)
        doc.SetModifiedFlag();
    else
        ShowFailure(procedures::RecalcTarg::kFailedText, failure, MainWindow());
    return result;
}

int JobsProcedureService::OpenTargetCustomization(document::CHalvaneDoc& doc) {
    const bool ok = models::OpenTargetCustomization(doc, doc.m_nUnitKind, {}, this);
    return ok ? 1 : 2;
}

int JobsProcedureService::RunQuickMeasure(document::CHalvaneDoc&) {
    procedures::CQuickMeasureController::Options options;
    options.prompt = options_.prompt;
    options.sound = options_.sound;
    options.clock = options_.clock;
    // The measurement job's source; null: the program's own, as the job's.
    options.calibration = options_.calibration;
    CQuickMeasureDlg dialog(options, widget_);
    return dialog.RunModal();
}

int JobsProcedureService::RunWizard(document::CHalvaneDoc& doc) {
    MeasuringRun run(options_);
    procedures::WizardDialogController::Environment env;
    env.document = &doc;
    env.services.measurement = run.services;
    env.services.prompt = options_.prompt;
    env.prompt = options_.prompt;
    env.saveDocument = saveDocument_;
    env.completionPage = [](platform::WindowHandle parent) { return models::completion_page::Run(parent); };
    if (options_.wizardSetUp) options_.wizardSetUp(env);
    // The main window is still hidden while the wizard runs at start-up:
    // the wizard stands on its own then.
    CWizardDialog wizard(std::move(env), widget_ != nullptr && widget_->isVisible() ? widget_ : nullptr);
    return wizard.RunModal();
}

}  // namespace halvane::app
