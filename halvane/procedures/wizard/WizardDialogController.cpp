#include "halvane/procedures/wizard/WizardDialogController.h"

#include "halvane/diagnostics/HalvaneMessages.h"
#include "halvane/diagnostics/HalvaneStrings.h"
#include "halvane/diagnostics/SendStringWndMessage.h"
#include "halvane/diagnostics/WndMessageQueue.h"
#include "platform/StringTable.h"
#include "platform/UserPrompt.h"
#include "platform/WindowMessage.h"

#include <utility>

namespace halvane::procedures {

WizardDialogController::WizardDialogController(Environment environment) : env_(std::move(environment)) {}

WizardDialogController::~WizardDialogController() {
    // The controller's worker may still run a step that calls this host.
    controler_.reset();
    Detach();
}

void WizardDialogController::Attach(WizardView& view, void* nativeDialog) {
    Detach();
    view_ = &view;
    window_ = platform::WindowBinding(
        [this](std::uint32_t m, std::uintptr_t w, std::intptr_t l) { return onMessage(m, w, l); }, nativeDialog);
    nativeDialog_.store(nativeDialog);
    dialogId_.store(window_.handle().id);
}

void WizardDialogController::Detach() {
    dialogId_.store(0);
    nativeDialog_.store(nullptr);
    window_.reset();
    view_ = nullptr;
}

platform::UserPrompt& WizardDialogController::Prompt() {
    return env_.prompt != nullptr ? *env_.prompt : platform::CurrentUserPrompt();
}

void WizardDialogController::OnInitDialog() {
    diagnostics::RegisterHalvaneStrings();
    if (view_ == nullptr) return;
    view_->SetCaption(diagnostics::ProgramName());
    view_->SetOptions(true, true);
    view_->EnableAbort(false);
    view_->SetStatusText(platform::processStrings().text(diagnostics::ids::PressStart));
    ShowStepBoxes();
}

void WizardDialogController::OnStart() {
    if (ended_ || stepRunning_) return;
    // An earlier "Abort stage" stopped the jobs of that stage only.
    running_.store(1);
    stepRunning_ = true;
    if (view_ != nullptr) {
        view_->EnableStart(false);
        view_->EnableOptions(false);
        view_->EnableAbort(true);
        view_->SetStatusText(kRunning);
    }
    activity_.Text(view_);
    if (controler_ != nullptr) {
        controler_->RunCurrentStep();
        return;
    }
    const bool proceed = view_ != nullptr ? view_->ProceedOption() : true;
    const bool save = view_ != nullptr ? view_->SaveOption() : true;
    controler_ = std::make_unique<WizardControler>(env_.steps, *this, save, proceed, env_.document, env_.services);
    controler_->Begin();
}

void WizardDialogController::OnAbortStage() {
    if (ended_ || confirming_ || !stepRunning_ || running_.load() == 0) return;
    confirming_ = true;
    int answer = platform::IDNO;
    try {
        answer = Prompt().MessageBox(kAbortQuestion, diagnostics::ProgramName(), platform::MB_YESNO | platform::MB_ICONQUESTION,
                                     GetHwnd());
    } catch (...) {
        confirming_ = false;
        throw;
    }
    confirming_ = false;
    const bool yes = answer == platform::IDYES;
    // The step ended while the question was open: nothing is left to abort.
    if (doneWhileConfirming_) {
        const int result = *doneWhileConfirming_;
        doneWhileConfirming_.reset();
        if (yes && closeRequested_) closeAfterStep_ = true;
        OnStepDone(result);
        return;
    }
    if (!yes) return;
    if (closeRequested_) closeAfterStep_ = true;
    if (view_ != nullptr) {
        view_->EnableAbort(false);
        view_->SetStatusText(kAborting);
    }
    activity_.SetBusy(view_, true);
    running_.store(0);
    if (controler_ != nullptr) controler_->ClearQueue();
}

void WizardDialogController::OnCloseRequest() {
    if (ended_) return;
    if (!stepRunning_) {
        EndDialog(kExit);
        return;
    }
    if (running_.load() == 0) {
        // Already aborting: close as soon as the step has stopped.
        closeAfterStep_ = true;
        return;
    }
    closeRequested_ = true;
    OnAbortStage();
    closeRequested_ = false;
}

void WizardDialogController::OnStepDone(int result) {
    if (confirming_) {
        if (!doneWhileConfirming_) doneWhileConfirming_ = result;
        return;
    }
    ShowStepBoxes();
    if (controler_ == nullptr || ended_) return;
    if (result != WizardControler::kStepSucceeded && result != WizardControler::kStepFailed) return;
    // Nothing runs until the next step starts (or proceeds at once, below).
    activity_.SetBusy(view_, false);
    if (closeAfterStep_) {
        stepRunning_ = false;
        EndDialog(kExit);
        return;
    }
    if (result == WizardControler::kStepSucceeded) {
        if (controler_->Step() == WizardControler::kFinished) {
            stepRunning_ = false;
            // A page that could not be shown (0 or less), or none at all,
            // ends the wizard as its Exit does.
            const int page = env_.completionPage ? env_.completionPage(GetHwnd()) : 0;
            EndDialog(page <= 0 ? kExit : page);
            return;
        }
        // A stage the user aborted that finished all the same is kept, but
        // the next one waits for Start.
        if (controler_->AfterStep(env_.saveDocument, running_.load() != 0)) {
            if (view_ != nullptr) view_->SetStatusText(kRunning);
            activity_.Text(view_);
            return;
        }
        if (view_ != nullptr) view_->SetStatusText(kNextStep);
    } else {
        if (view_ != nullptr) view_->SetStatusText(kStepFailed);
    }
    stepRunning_ = false;
    if (view_ != nullptr) {
        view_->EnableStart(true);
        view_->EnableAbort(false);
    }
}

void WizardDialogController::OnStepBoxClicked() { ShowStepBoxes(); }

void WizardDialogController::ShowStepBoxes() {
    if (view_ == nullptr) return;
    const int step = controler_ != nullptr ? controler_->Step() : WizardControler::kMeasure;
    view_->SetStepBoxes(step > 0, step > 1, step > 2);
}

void WizardDialogController::EndDialog(int result) {
    if (ended_) return;
    ended_ = true;
    endResult_ = result;
    if (view_ != nullptr) view_->EndDialog(result);
}

void WizardDialogController::SetDisplayString(std::string text) {
    const platform::WindowHandle dialog = GetHwnd();
    if (!dialog) return;
    diagnostics::Threading::PostWndMessageObject(std::make_unique<diagnostics::Threading::SendStringWndMessage>(dialog, std::move(text)));
}

void WizardDialogController::SetRange(int total) {
    const platform::WindowHandle dialog = GetHwnd();
    if (!dialog) return;
    total_ = total;
    position_ = 0;
    diagnostics::Threading::PostWndMessage(dialog, platform::PBM_SETRANGE32, 0, total);
    SetPos(0);
}

void WizardDialogController::SetPos(int position) {
    const platform::WindowHandle dialog = GetHwnd();
    if (!dialog) return;
    position_ = position;
    diagnostics::Threading::PostWndMessage(dialog, platform::PBM_SETPOS, static_cast<std::uintptr_t>(position), 0);
}

std::intptr_t WizardDialogController::onMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (message == diagnostics::messages::Id(diagnostics::messages::kDone)) {
        OnStepDone(static_cast<int>(lParam));
    } else if (message == diagnostics::Threading::UmSetDisplayString()) {
        if (view_ != nullptr) view_->SetStatusText(diagnostics::Threading::SendStringWndMessage::TextOf(lParam));
        activity_.Text(view_);
    } else {
        return activity_.Forward(view_, message, wParam, lParam);
    }
    return 0;
}

}  // namespace halvane::procedures
