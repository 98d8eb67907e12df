#pragma once

#include <vector>

namespace halvane::signal {
class CCurve;
}

namespace halvane::design {

// The measured curves a target looks at together (for example the channel
// and its partner, or one channel at every listening position). The curves
// belong to their curve set; the list only refers to them.
using CurveList = std::vector<signal::CCurve*>;

}  // namespace halvane::design
