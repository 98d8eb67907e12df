#pragma once

#include <vector>

namespace halvane::app::models::CustomControls {

// One step of the up-down's acceleration: after `seconds` of holding a
// button, each repeat moves by `increment`.
struct SpinAccel {
    int seconds = 0;
    int increment = 1;
    friend bool operator==(const SpinAccel&, const SpinAccel&) = default;
};

// The acceleration table of a spin box over `range` steps: entries
// i = 0, 1, ... with a delay of 2i seconds and an increment of
// max(2i, 1) * round(10^(i/2)), kept while 10^i does not exceed the range,
// at most 7: (0,1) (2,6) (4,40) (6,192) (8,800) (10,3160) (12,12000).
// Never empty: a range below 1 still steps by one.
std::vector<SpinAccel> SpinAccelTable(int range);

// The increment after holding for `heldMs` milliseconds.
int SpinAccelIncrement(const std::vector<SpinAccel>& table, long long heldMs);

}  // namespace halvane::app::models::CustomControls
