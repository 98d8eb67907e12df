#include "halvane/procedures/quickmeasure/QuickMeasureCurves.h"

namespace halvane::procedures {

bool QuickMeasureCurves::Add(std::shared_ptr<signal::CCurve> curve) {
    if (!curve) return false;
    bool dropped = false;
    while (entries_.size() > kShown - 1) {
        entries_.pop_front();
        dropped = true;
    }
    const std::uint32_t colour = kColours[shown_ % 3];
    ++shown_;
    entries_.push_back(Entry{std::move(curve), colour});
    return !dropped;
}

}  // namespace halvane::procedures
