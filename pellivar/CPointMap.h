#pragma once

#include "pellivar/CBasicPointMap.h"

namespace pellivar {

// The curve editor's map: a full value range, and the visible window of it
// that the basic map shows on the client rectangle. Zooming in narrows the
// window by a tenth of its size on each side; zooming out widens it by a
// tenth of the widened size on each side, so one step out undoes one step
// in. After every zoom or pan the window lies inside the full range (a
// window larger than the range becomes the range) and is at least the
// minimum size (grown about its centre).
class CPointMap final : public CBasicPointMap {
public:
    // The minimum window is this fraction of the full range.
    static constexpr double kMinimumFraction = 1.0 / 16.0;

    CPointMap() = default;

    // Sets the full range and shows all of it.
    void SetFullRange(double xMin, double xMax, double yMin, double yMax);
    // A window inside the full range (constrained as above).
    void SetWindow(double xMin, double xMax, double yMin, double yMax);

    // False when the window is already at its minimum size (nothing changes).
    bool ZoomIn();
    void ZoomOut();
    // Shifts the window by (dx, dy) value units, staying inside the range.
    void Pan(double dx, double dy);

    double FullXMin() const { return fxMin_; }
    double FullXMax() const { return fxMax_; }
    double FullYMin() const { return fyMin_; }
    double FullYMax() const { return fyMax_; }
    bool IsFullView() const;

private:
    void Constrain(double& lo, double& hi, double fullLo, double fullHi) const;

    double fxMin_ = 0, fxMax_ = 1, fyMin_ = 0, fyMax_ = 1;
};

}  // namespace pellivar
