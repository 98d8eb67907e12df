#include "halvane/procedures/wizard/WizardControler.h"

#include "halvane/document/CHalvaneDoc.h"
#include "halvane/design/ChannelLevels.h"
#include "halvane/diagnostics/HalvaneMessages.h"
#include "halvane/diagnostics/HalvaneStrings.h"
#include "halvane/diagnostics/TCodedException.h"
#include "halvane/diagnostics/WndMessageQueue.h"
#include "halvane/link/UnitCrossoverChoices.h"
#include "halvane/procedures/jobs/CEqCalcProc.h"
#include "halvane/procedures/jobs/CEqUploadProc.h"
#include "halvane/procedures/jobs/CrossoverTargetJobs.h"
#include "halvane/procedures/framework/IProcDialog.h"
#include "halvane/procedures/measurement/RunMeasurementProcedure.h"
#include "platform/StringTable.h"
#include "platform/UserPrompt.h"

#include <cstdio>
#include <exception>
#include <stdexcept>
#include <utility>

namespace halvane::procedures {

namespace {

std::string Text(int id) {
    diagnostics::RegisterHalvaneStrings();
    return platform::processStrings().text(id);
}

std::string FailureText(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const diagnostics::TException& e) {
        return e.message();
    } catch (const diagnostics::TCodedException& e) {
        return e.message;
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unrecognized exception";
    }
}

}  // namespace

WizardControler::WizardControler(Steps steps, IProcDialog& host, bool save, bool proceed, document::CHalvaneDoc* document,
                                 WizardServices services)
    : steps_(std::move(steps)), host_(host), save_(save), proceed_(proceed), document_(document),
      services_(services) {}

WizardControler::~WizardControler() { worker_.reset(); }

WizardControler::Steps WizardControler::DefaultSteps() {
    return {&WizardControler::MeasureStep, &WizardControler::CalculateStep, &WizardControler::UploadStep};
}

platform::UserPrompt& WizardControler::Prompt() {
    return services_.prompt != nullptr ? *services_.prompt : platform::CurrentUserPrompt();
}

void WizardControler::Begin() {
    try {
        worker_.reset();
        worker_ = std::make_unique<Worker>();
        step_.store(kMeasure);
        RunStep(kMeasure);
    } catch (...) {
        ReportFailure(std::current_exception());
    }
}

void WizardControler::RunStep(STEP step) {
    if (step < kMeasure || step > kUpload) throw std::logic_error(kInvalidStep);
    if (worker_ == nullptr) worker_ = std::make_unique<Worker>();
    worker_->PostTask([this, step] { RunGuarded(step); });
}

void WizardControler::RunCurrentStep() {
    try {
        RunStep(step_.load());
    } catch (...) {
        ReportFailure(std::current_exception());
    }
}

void WizardControler::RunGuarded(STEP step) {
    try {
        const StepOperation& operation = steps_[static_cast<std::size_t>(step)];
        if (!operation) throw std::logic_error(kInvalidStep);
        operation(*this);
    } catch (...) {
        ReportFailure(std::current_exception());
    }
}

void WizardControler::ReportFailure(const std::exception_ptr& failure) {
    // Whatever went wrong, the user hears of it and the dialog gets the
    // step's failure: the step unchanged, and Start enabled again.
    const std::string text = FailureText(failure);
    host_.SetDisplayString(text);
    try {
        Prompt().MessageBox(text, diagnostics::ProgramName(), platform::MB_OK | platform::MB_ICONERROR, host_.GetHwnd());
    } catch (...) {
        // The box itself failed (no window left to own it, whatever it
        // threw): the status line has the text, stderr says why the box did
        // not, and the failure is still posted.
        std::fprintf(stderr, "Halvane: could not show \"%s\": %s\n", text.c_str(),
                     FailureText(std::current_exception()).c_str());
    }
    ClearQueue();
    PostResult(kStepFailed);
}

bool WizardControler::AfterStep(const std::function<bool()>& saveDocument, bool mayProceed) {
    if (save_) {
        if (document_ != nullptr) document_->SetModifiedFlag(true);
        if (saveDocument) saveDocument();
    }
    if (!proceed_ || !mayProceed) return false;
    RunCurrentStep();
    return true;
}

void WizardControler::PostResult(int result) {
    const platform::WindowHandle window = host_.GetHwnd();
    // A null target would mean the main window: without its own window the
    // wizard has gone and nobody waits for the result.
    if (!window) return;
    diagnostics::Threading::PostWndMessage(window, diagnostics::messages::Id(diagnostics::messages::kDone), 0, result);
}

void WizardControler::ClearQueue() {
    if (worker_ != nullptr) worker_->Clear();
}

void WizardControler::MeasureStep(WizardControler& w) {
    IProcDialog& host = w.Host();
    host.SetDisplayString(Text(diagnostics::ids::Measuring));
    document::CHalvaneDoc* doc = w.Document();
    if (doc != nullptr && RunMeasurementProcedure(host.GetHwnd(), doc, &host, w.Services().measurement)) {
        if (const auto choices = link::UnitCrossoverChoices::For(doc->m_nUnitKind))
            ::halvane::design::UpdateLevels(*choices, *doc->CurveSetSlot(0), *doc->CurveSetSlot(1), doc->m_TargetConfig);
        // New measurements are worth keeping even if no save follows.
        doc->SetModifiedFlag(true);
        w.SetStep(kCalculate);
        w.PostResult(kStepSucceeded);
        return;
    }
    w.ClearQueue();
    w.SetStep(kMeasure);
    w.PostResult(kStepFailed);
}

void WizardControler::CalculateStep(WizardControler& w) {
    IProcDialog& host = w.Host();
    host.SetDisplayString(Text(diagnostics::ids::Calculating));
    document::CHalvaneDoc* doc = w.Document();
    const platform::WindowHandle parent = host.GetHwnd();
    // Any of the three jobs failing fails the step: the calculation needs
    // the crossovers and the targets of this measurement.
    std::string failure;
    const bool ok = doc != nullptr &&
                    RunAutoDetectXOvers(&host, parent, *doc->CurveSetSlot(0), *doc->CurveSetSlot(1),
                                        doc->m_TargetConfig, doc->m_nUnitKind, &failure) == 1 &&
                    RunRecalcTarg(*doc, &host, parent, &failure) == 1 && RunEqCalcProc(parent, *doc, &host, &failure);
    if (ok) {
        doc->SetModifiedFlag(true);
        w.SetStep(kUpload);
        w.PostResult(kStepSucceeded);
        return;
    }
    // Which job failed and why: the user is told, not only that it failed.
    const std::string text = failure.empty() ? std::string(kCalculationFailed) : kCalculationFailed + ("\n" + failure);
    host.SetDisplayString(text);
    w.Prompt().MessageBox(text, diagnostics::ProgramName(), platform::MB_OK, parent);
    w.ClearQueue();
    w.SetStep(kCalculate);
    w.PostResult(kStepFailed);
}

void WizardControler::UploadStep(WizardControler& w) {
    IProcDialog& host = w.Host();
    host.SetDisplayString(Text(diagnostics::ids::Uploading));
    document::CHalvaneDoc* doc = w.Document();
    const platform::WindowHandle parent = host.GetHwnd();
    const int result = doc != nullptr ? RunUploadProc(parent, *doc, &host) : 2;
    if (result == 1) {
        w.SetStep(kFinished);
        w.PostResult(kStepSucceeded);
        return;
    }
    // A unit of another class than the document's: say so, and on Yes
    // convert the document and go back to the calculation for the new
    // class, as the main window's Upload does; the upload then follows.
    if (document::CHalvaneDoc::IsConversionCode(result) &&
        w.Prompt().MessageBox(document::CHalvaneDoc::kConvertQuestion, diagnostics::ProgramName(), platform::MB_YESNO | platform::MB_ICONERROR,
                              parent) == platform::IDYES &&
        doc->SetUnitKind(result)) {
        w.ClearQueue();
        w.SetStep(kCalculate);
        w.PostResult(kStepSucceeded);
        return;
    }
    w.ClearQueue();
    w.SetStep(kUpload);
    w.PostResult(kStepFailed);
}

}  // namespace halvane::procedures
