#include "halvane/app/models/SpinGrid.h"

#include <algorithm>

namespace halvane::app::models::CustomControls {

SpinGrid::SpinGrid(int minimum, int maximum, int step, int numerator, int denominator, int offset)
    : min_(minimum), max_(std::max(minimum, maximum)), step_(std::max(step, 1)), num_(numerator == 0 ? 1 : numerator),
      den_(denominator == 0 ? 1 : denominator), offset_(offset) {}

int SpinGrid::snap(long long v) const {
    const long long clamped = std::clamp<long long>(v, min_, max_);
    return static_cast<int>(min_ + (clamped - min_) / step_ * step_);
}

int SpinGrid::positionOf(int value) const {
    return static_cast<int>((static_cast<long long>(value) - min_) * num_ / den_ - offset_);
}

int SpinGrid::valueOf(long long position) const { return snap((position + offset_) * den_ / num_ + min_); }

}  // namespace halvane::app::models::CustomControls
