#include "halvane/procedures/framework/ProcedureDialogController.h"

#include "halvane/diagnostics/HalvaneMessages.h"
#include "halvane/diagnostics/SendStringWndMessage.h"
#include "halvane/diagnostics/WndMessageQueue.h"
#include "halvane/procedures/framework/CProcBase.h"
#include "platform/WindowMessage.h"

namespace halvane::procedures {

ProcedureDialogController::ProcedureDialogController(CProcBase& procedure, std::string caption,
                                                     std::string statusArgument, platform::UserPrompt* prompt)
    : procedure_(procedure), caption_(std::move(caption)), statusArgument_(std::move(statusArgument)),
      prompt_(prompt) {}

ProcedureDialogController::~ProcedureDialogController() { Detach(); }

void ProcedureDialogController::Attach(ProcedureDialogView& view, void* nativeDialog, void* nativeProgressBar) {
    Detach();
    view_ = &view;
    windows_.Bind([this](std::uint32_t m, std::uintptr_t w, std::intptr_t l) { return onDialogMessage(m, w, l); },
                  [this](std::uint32_t m, std::uintptr_t w, std::intptr_t l) {
                      return activity_.Forward(view_, m, w, l);
                  },
                  nativeDialog, nativeProgressBar);
}

void ProcedureDialogController::Detach() {
    windows_.Unbind();
    view_ = nullptr;
}

void ProcedureDialogController::OnInitDialog() {
    if (view_ != nullptr) view_->SetCaption(caption_);
    if (autoStart_) OnStart();
}

void ProcedureDialogController::OnStart() {
    if (view_ != nullptr) {
        view_->EnableStart(false);
        view_->EnableAbort(true);
    }
    procedure_.Start(nullptr);
    SetProcedureState(kProcedureRunning);
    activity_.Text(view_);
}

void ProcedureDialogController::OnAbort() {
    if (ended_ || confirming_ || state_ == kProcedureAborting) return;
    confirming_ = true;
    platform::UserPrompt& prompt = prompt_ != nullptr ? *prompt_ : platform::CurrentUserPrompt();
    int answer = platform::IDNO;
    try {
        answer = prompt.MessageBox(kAbortQuestion, kAbortCaption, platform::MB_YESNO | platform::MB_ICONQUESTION,
                                   GetHwnd());
    } catch (...) {
        confirming_ = false;
        throw;
    }
    confirming_ = false;
    // The job ended while the question was open: there is nothing left to
    // abort, and the dialog ends with the job's own result.
    if (doneWhileConfirming_) {
        const int result = *doneWhileConfirming_;
        doneWhileConfirming_.reset();
        endDialog(result);
        return;
    }
    if (answer != platform::IDYES || ended_) return;
    if (view_ != nullptr) view_->EnableAbort(false);
    SetProcedureState(kProcedureAborting);
    activity_.SetBusy(view_, true);
    procedure_.Abort();
}

void ProcedureDialogController::OnDone(int result) {
    if (confirming_) {
        if (!doneWhileConfirming_) doneWhileConfirming_ = result;
        return;
    }
    endDialog(result);
}

void ProcedureDialogController::endDialog(int result) {
    if (ended_) return;
    ended_ = true;
    endResult_ = result;
    if (view_ != nullptr) view_->EndDialog(result);
}

void ProcedureDialogController::OnSetDisplayString(const std::string& text) {
    if (view_ != nullptr) view_->SetStatusText(text);
    activity_.Text(view_);
}

void ProcedureDialogController::OnRunTask(void* argument) { procedure_.Start(argument); }

void ProcedureDialogController::SetProcedureState(int state) {
    state_ = state;
    std::string text;
    if (ProcedureStatusText(state, statusArgument_, text) && view_ != nullptr) view_->SetStatusText(text);
}

void ProcedureDialogController::SetDisplayString(std::string text) {
    const platform::WindowHandle dialog = GetHwnd();
    if (!dialog) return;
    diagnostics::Threading::PostWndMessageObject(std::make_unique<diagnostics::Threading::SendStringWndMessage>(dialog, std::move(text)));
}

void ProcedureDialogController::SetRange(int total) {
    if (!ProgressBarHandle()) return;
    total_ = total;
    position_ = 0;
    diagnostics::Threading::PostWndMessage(ProgressBarHandle(), platform::PBM_SETRANGE32, 0, total);
    SetPos(0);
}

void ProcedureDialogController::SetPos(int position) {
    const platform::WindowHandle bar = ProgressBarHandle();
    if (!bar) return;
    position_ = position;
    // The position travels as the unsigned wParam; the bar reads it back as int.
    diagnostics::Threading::PostWndMessage(bar, platform::PBM_SETPOS, static_cast<std::uintptr_t>(position), 0);
}

void ProcedureDialogController::DeliverDone(int result) {
    const platform::WindowHandle dialog = GetHwnd();
    if (!dialog) return;
    diagnostics::Threading::PostWndMessage(dialog, diagnostics::messages::Id(diagnostics::messages::kDone), 0, result);
}

std::intptr_t ProcedureDialogController::onDialogMessage(std::uint32_t message, std::uintptr_t wParam,
                                                         std::intptr_t lParam) {
    if (message == diagnostics::messages::Id(diagnostics::messages::kDone)) {
        OnDone(static_cast<int>(lParam));
    } else if (message == diagnostics::Threading::UmSetDisplayString()) {
        OnSetDisplayString(diagnostics::Threading::SendStringWndMessage::TextOf(lParam));
    } else if (message == diagnostics::messages::Id(diagnostics::messages::kRunTask)) {
        OnRunTask(reinterpret_cast<void*>(wParam));
    }
    return 0;
}

}  // namespace halvane::procedures
