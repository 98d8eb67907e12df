#pragma once

#include "halvane/procedures/quickmeasure/QuickMeasureStates.h"

#include <string>

namespace halvane::procedures {

// The widgets of the Quick Measure dialog as its controller drives them:
// the four buttons and the speaker box, the log, the progress bar and the
// graph. The Qt dialog implements it; tests record it. User-interface
// thread only.
class QuickMeasureView {
public:
    virtual ~QuickMeasureView() = default;

    virtual void EnableControls(const quickmeasure::EnabledControls& enabled) = 0;
    // Appends one line of status text at the end of the log.
    virtual void AppendLog(const std::string& text) = 0;
    virtual void SetProgressRange(int low, int high) = 0;
    virtual void SetProgressPos(int position) = 0;
    // Busy: the bar animates instead of showing the range, which it keeps.
    virtual void SetProgressBusy(bool /*busy*/) {}
    // The shown curves changed: rescale the graph first when asked, then
    // repaint it.
    virtual void CurvesChanged(bool rescale) = 0;
};

}  // namespace halvane::procedures
