#include "halvane/procedures/framework/HeadlessProcedureDialog.h"

#include "platform/UiMessageQueue.h"
#include "platform/UiThread.h"

namespace halvane::procedures {

HeadlessProcedureDialog::HeadlessProcedureDialog(ProcedureDialogController& controller, platform::Clock& clock)
    : controller_(controller), clock_(clock) {
    controller_.Attach(*this);
}

HeadlessProcedureDialog::~HeadlessProcedureDialog() { controller_.Detach(); }

int HeadlessProcedureDialog::RunModal() {
    ended_ = false;
    controller_.OnInitDialog();
    // On a user-interface thread with an event pump (a windowed program that
    // installed no dialog), the pump drains the queue and keeps serving the
    // job's questions while this dialog waits.
    const bool pumped = platform::PumpUiUntil([this] {
        if (!ended_ && OnTick) OnTick(*this);
        return ended_;
    });
    if (pumped) return result_;
    for (;;) {
        platform::DrainUiMessageQueue();
        if (ended_) break;
        if (OnTick) OnTick(*this);
        if (ended_) break;
        clock_.sleepMs(1);
    }
    return result_;
}

int RunHeadlessProcedureDialog(ProcedureDialogController& dialog, platform::WindowHandle) {
    HeadlessProcedureDialog headless(dialog);
    return headless.RunModal();
}

}  // namespace halvane::procedures
