#include "halvane/procedures/HeadlessProcedureDialog.h"

#include "platform/UiMessageQueue.h"

namespace halvane {

HeadlessProcedureDialog::HeadlessProcedureDialog(ProcedureDialogController& controller, platform::Clock& clock)
    : controller_(controller), clock_(clock) {
    controller_.Attach(*this);
}

HeadlessProcedureDialog::~HeadlessProcedureDialog() { controller_.Detach(); }

int HeadlessProcedureDialog::RunModal() {
    ended_ = false;
    controller_.OnInitDialog();
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

}  // namespace halvane
