#pragma once

#include "halvane/procedures/measurement/CEqMeasurementProc.h"
#include "platform/WindowHandle.h"

namespace halvane {

class CHalvaneDoc;
class IProcDialog;

// The Measure command and the wizard's first step: empties the document,
// runs the measurement job (under `host`, or the modal progress dialog when
// null) and, when it completed, files its measurements into the document
// (Music gets the Movie measurements unless it was measured on its own)
// with the correction kind and the calibration data. True when the job
// completed.
bool RunMeasurementProcedure(platform::WindowHandle parent, CHalvaneDoc* document, IProcDialog* host,
                             const MeasurementServices& services = {});

}  // namespace halvane
