#pragma once

#include "halvane/signal/CCurve.h"

namespace halvane::design {

// A target response on the grid of the measured curve it was made from, with
// the band in which the filter fit may equalise: LowerLimit and UpperLimit
// are the target's EQ limits when the curve was made. The limits live in
// memory only; the stored form is the curve's, and a copy through
// CCurve::Clone or a stored set keeps the curve without them.
class CTargetCurve : public signal::CCurve {
public:
    CTargetCurve() = default;
    // The measured curve's axis, form, values and name.
    explicit CTargetCurve(const signal::CCurve& measured) {
        measured.CopyTo(*this);
        SetName(measured.Name());
    }

    double LowerLimit = 0.0;
    double UpperLimit = 0.0;
};

}  // namespace halvane::design
