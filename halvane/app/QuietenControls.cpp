#include "halvane/app/QuietenControls.h"

#include "halvane/app/CSpinEditBox.h"
#include "halvane/app/SpinBox.h"

#include <QWidget>

namespace halvane::app {

void QuietenControls(QWidget& dialog) {
    // A spin box's edit field tells its box of leaving; with it quiet the
    // box neither checks nor reports.
    for (CustomControls::SpinBox* spin : dialog.findChildren<CustomControls::SpinBox*>())
        spin->edit()->blockSignals(true);
    for (QObject* child : dialog.findChildren<QObject*>()) QObject::disconnect(child, nullptr, &dialog, nullptr);
    dialog.hide();
}

}  // namespace halvane::app
