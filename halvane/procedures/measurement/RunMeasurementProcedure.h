#pragma once

#include "halvane/procedures/framework/DoProcedure.h"
#include "halvane/procedures/measurement/CEqMeasurementProc.h"
#include "platform/WindowHandle.h"

namespace halvane::document {
class CHalvaneDoc;
}

namespace halvane::procedures {

// The Measure command and the wizard's first step: runs the measurement job
// (under `host`, or when null the modal progress dialog `shell` shows) and,
// when it completed, replaces the document's contents in one step with the
// run's: its measurements (Music gets the Movie measurements unless it was
// measured on its own), correction kind, calibration and unit class, no
// calculated curves, targets or filter sets; the configuration shown and
// the target configuration stay. The document is then modified. A run that
// does not complete (cancelled, aborted, failed) leaves the document, and
// its modified flag, exactly as they were. True when the job completed.
bool RunMeasurementProcedure(platform::WindowHandle parent, document::CHalvaneDoc* document, IProcDialog* host,
                             const MeasurementServices& services = {}, const ProcedureDialogShell& shell = {});

}  // namespace halvane::procedures
