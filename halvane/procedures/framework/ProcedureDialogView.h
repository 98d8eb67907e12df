#pragma once

#include <string>

namespace halvane::procedures {

// The widgets of the modal progress dialog as its controller drives them:
// a status text, a progress bar, the Start and Abort buttons and the modal
// loop. The Qt dialog implements it, a headless stand-in does for tests and
// for programs without a window. Called on the user-interface thread only.
class ProcedureDialogView {
public:
    virtual ~ProcedureDialogView() = default;

    virtual void SetCaption(const std::string& caption) = 0;
    virtual void SetStatusText(const std::string& text) = 0;
    virtual void SetProgressRange(int low, int high) = 0;
    virtual void SetProgressPos(int position) = 0;
    // Busy: the bar animates instead of showing the range, which it keeps.
    virtual void SetProgressBusy(bool /*busy*/) {}
    virtual void EnableStart(bool enabled) = 0;
    virtual void EnableAbort(bool enabled) = 0;
    // Ends the modal loop; it returns `result`.
    virtual void EndDialog(int result) = 0;
};

}  // namespace halvane::procedures
