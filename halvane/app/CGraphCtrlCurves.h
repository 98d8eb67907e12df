#pragma once

#include "halvane/app/models/CurveEntry.h"

namespace halvane::app {

class CGraphCtrl;

// The owner of a graph control's curves: asked for them every time the
// control paints or scales itself.
class CGraphCtrlCurves {
public:
    virtual ~CGraphCtrlCurves() = default;
    // Fills the control's (emptied) curve list.
    virtual void GetCurves(CGraphCtrl& control, models::CurveList& curves) = 0;
    // May give a top level in dB for the automatic scale and answer true;
    // false lets the scale come from the curves.
    virtual bool GetScaleHint(CGraphCtrl& control, double& top) = 0;
};

}  // namespace halvane::app
