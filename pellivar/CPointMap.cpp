#include "pellivar/CPointMap.h"

#include <algorithm>

namespace pellivar {

void CPointMap::SetFullRange(double xMin, double xMax, double yMin, double yMax) {
    fxMin_ = std::min(xMin, xMax);
    fxMax_ = std::max(xMin, xMax);
    fyMin_ = std::min(yMin, yMax);
    fyMax_ = std::max(yMin, yMax);
    SetRanges(fxMin_, fxMax_, fyMin_, fyMax_);
}

void CPointMap::Constrain(double& lo, double& hi, double fullLo, double fullHi) const {
    const double full = fullHi - fullLo;
    const double minimum = full * kMinimumFraction;
    if (!(hi > lo) || hi - lo < minimum) {
        const double centre = (lo + hi) / 2;
        lo = centre - minimum / 2;
        hi = centre + minimum / 2;
    }
    if (hi - lo >= full) {
        lo = fullLo;
        hi = fullHi;
        return;
    }
    if (lo < fullLo) {
        hi += fullLo - lo;
        lo = fullLo;
    }
    if (hi > fullHi) {
        lo -= hi - fullHi;
        hi = fullHi;
    }
}

void CPointMap::SetWindow(double xMin, double xMax, double yMin, double yMax) {
    Constrain(xMin, xMax, fxMin_, fxMax_);
    Constrain(yMin, yMax, fyMin_, fyMax_);
    SetRanges(xMin, xMax, yMin, yMax);
}

bool CPointMap::ZoomIn() {
    const double w = XMax() - XMin();
    const double h = YMax() - YMin();
    const double minW = (fxMax_ - fxMin_) * kMinimumFraction;
    const double minH = (fyMax_ - fyMin_) * kMinimumFraction;
    if (w <= minW * (1 + 1e-9) || h <= minH * (1 + 1e-9)) return false;
    SetWindow(XMin() + w / 10, XMax() - w / 10, YMin() + h / 10, YMax() - h / 10);
    return true;
}

// The widened window W satisfies W = w + 2 * W / 10, so W = 1.25 w.
void CPointMap::ZoomOut() {
    const double dw = (XMax() - XMin()) / 8;
    const double dh = (YMax() - YMin()) / 8;
    SetWindow(XMin() - dw, XMax() + dw, YMin() - dh, YMax() + dh);
}

void CPointMap::Pan(double dx, double dy) { SetWindow(XMin() + dx, XMax() + dx, YMin() + dy, YMax() + dy); }

bool CPointMap::IsFullView() const {
    return XMin() == fxMin_ && XMax() == fxMax_ && YMin() == fyMin_ && YMax() == fyMax_;
}

}  // namespace pellivar
