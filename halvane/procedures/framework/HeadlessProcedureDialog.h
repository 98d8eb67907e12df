#pragma once

#include "halvane/procedures/framework/ProcedureDialogController.h"
#include "halvane/procedures/framework/ProcedureDialogView.h"
#include "platform/Clock.h"

#include <functional>
#include <string>

namespace halvane::procedures {

// The modal progress dialog without a window: its modal loop drains the
// window-message queue on the calling thread every millisecond (through the
// clock; on a user-interface thread with an event pump, through the pump)
// until the dialog ends, and its "widgets" are plain values. The
// default dialog of DoProcedure in a program without a user interface, and
// the dialog of headless tests, which press its buttons from OnTick.
class HeadlessProcedureDialog final : public ProcedureDialogView {
public:
    explicit HeadlessProcedureDialog(ProcedureDialogController& controller,
                                     platform::Clock& clock = platform::systemClock());
    ~HeadlessProcedureDialog() override;
    HeadlessProcedureDialog(const HeadlessProcedureDialog&) = delete;
    HeadlessProcedureDialog& operator=(const HeadlessProcedureDialog&) = delete;

    // Initialises the dialog and runs its loop; returns the end code.
    int RunModal();

    // Called once per pass of the loop, after the drain, while the dialog
    // has not ended: what a user does meanwhile.
    std::function<void(HeadlessProcedureDialog&)> OnTick;

    ProcedureDialogController& Controller() { return controller_; }

    void SetCaption(const std::string& caption) override { caption_ = caption; }
    void SetStatusText(const std::string& text) override { status_ = text; }
    void SetProgressRange(int low, int high) override {
        low_ = low;
        high_ = high;
    }
    void SetProgressPos(int position) override { position_ = position; }
    void EnableStart(bool enabled) override { startEnabled_ = enabled; }
    void EnableAbort(bool enabled) override { abortEnabled_ = enabled; }
    void EndDialog(int result) override {
        ended_ = true;
        result_ = result;
    }

    const std::string& CaptionText() const { return caption_; }
    const std::string& StatusText() const { return status_; }
    int ProgressLow() const { return low_; }
    int ProgressHigh() const { return high_; }
    int ProgressPos() const { return position_; }
    bool StartEnabled() const { return startEnabled_; }
    bool AbortEnabled() const { return abortEnabled_; }

private:
    ProcedureDialogController& controller_;
    platform::Clock& clock_;
    std::string caption_ = "Procedure";
    std::string status_;
    int low_ = 0;
    int high_ = 100;
    int position_ = 0;
    bool startEnabled_ = true;
    bool abortEnabled_ = true;
    bool ended_ = false;
    int result_ = 0;
};

// The default shell: a HeadlessProcedureDialog on the system clock.
int RunHeadlessProcedureDialog(ProcedureDialogController& dialog, platform::WindowHandle parent);

}  // namespace halvane::procedures
