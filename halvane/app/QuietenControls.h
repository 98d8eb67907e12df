#pragma once

class QWidget;

namespace halvane::app {

// Called from a dialog's destructor, while the dialog and the values its
// controls are bound to still live. A dialog destroyed while shown hides
// itself in its base destructor, and the focused control then reports that
// it was left: the report must not reach the half-destroyed dialog, nor the
// control write into values already gone. So the controls stop reporting
// and the dialog hides here.
void QuietenControls(QWidget& dialog);

}  // namespace halvane::app
