#include "halvane/app/models/SpinAccelTable.h"

#include <algorithm>
#include <cmath>

namespace halvane::app::models::CustomControls {

std::vector<SpinAccel> SpinAccelTable(int range) {
    std::vector<SpinAccel> table;
    long long power = 1;  // 10^i
    for (int i = 0; i < 7; ++i, power *= 10) {
        if (i > 0 && power > range) break;
        const int increment = std::max(2 * i, 1) * static_cast<int>(std::lround(std::pow(10.0, i / 2.0)));
        table.push_back({2 * i, increment});
    }
    return table;
}

int SpinAccelIncrement(const std::vector<SpinAccel>& table, long long heldMs) {
    int increment = 1;
    for (const SpinAccel& entry : table)
        if (heldMs >= entry.seconds * 1000LL) increment = entry.increment;
    return increment;
}

}  // namespace halvane::app::models::CustomControls
