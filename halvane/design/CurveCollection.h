#pragma once

#include "halvane/design/CurveList.h"

namespace halvane::signal {
class CCurveSet;
}

namespace halvane::design {

// The lists of measured curves the targets look at together. The list is
// emptied first; it refers to the set's curves.
//
// The curves of the main channels 0 to 6 the set holds, in channel order.
void CollectMainCurves(CurveList& curves, const signal::CCurveSet& set);
// The channel's curve, then its partner's (the other speaker of a left and
// right pair), each only when the set holds it. A channel outside 0..7
// gives an empty list.
void CollectPairCurves(int channel, CurveList& curves, const signal::CCurveSet& set);

}  // namespace halvane::design
