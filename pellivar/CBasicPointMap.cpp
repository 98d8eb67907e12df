#include "pellivar/CBasicPointMap.h"

#include <cmath>
#include <limits>

namespace pellivar {

namespace {

// Half up, and kept inside int so a far-away value cannot overflow the
// conversion.
int roundHalfUp(double v) {
    const double r = std::floor(v + 0.5);
    constexpr double kMax = std::numeric_limits<int>::max();
    constexpr double kMin = std::numeric_limits<int>::min();
    if (!(r == r)) return 0;
    return r > kMax ? std::numeric_limits<int>::max() : r < kMin ? std::numeric_limits<int>::min() : static_cast<int>(r);
}

// Client units per value unit; an empty range maps everything to its edge.
double scaleOf(double clientSpan, double valueSpan) { return valueSpan != 0 ? clientSpan / valueSpan : 0.0; }

}  // namespace

CBasicPointMap::CBasicPointMap(double xMin, double xMax, double yMin, double yMax, int left, int top, int right,
                               int bottom) {
    SetRanges(xMin, xMax, yMin, yMax);
    SetClient(left, top, right, bottom);
}

void CBasicPointMap::SetRanges(double xMin, double xMax, double yMin, double yMax) {
    xMin_ = xMin;
    xMax_ = xMax;
    yMin_ = yMin;
    yMax_ = yMax;
}

void CBasicPointMap::SetClient(int left, int top, int right, int bottom) {
    left_ = left;
    top_ = top;
    right_ = right;
    bottom_ = bottom;
}

bool CBasicPointMap::Contains(double x, double y) const {
    return x >= xMin_ && x <= xMax_ && y >= yMin_ && y <= yMax_;
}

ClientPoint CBasicPointMap::ToClient(double x, double y) const {
    const double sx = scaleOf(static_cast<double>(right_) - left_, xMax_ - xMin_);
    const double sy = scaleOf(static_cast<double>(bottom_) - top_, yMax_ - yMin_);
    return {roundHalfUp(left_ + (x - xMin_) * sx), roundHalfUp(bottom_ - (y - yMin_) * sy)};
}

void CBasicPointMap::ToValue(ClientPoint p, double& x, double& y) const {
    const double sx = scaleOf(xMax_ - xMin_, static_cast<double>(right_) - left_);
    const double sy = scaleOf(yMax_ - yMin_, static_cast<double>(bottom_) - top_);
    x = xMin_ + (p.x - left_) * sx;
    y = yMin_ + (bottom_ - p.y) * sy;
}

}  // namespace pellivar
