#pragma once

#include "halvane/app/models/AxisScale.h"
#include "halvane/app/models/CGraphMap.h"

#include <algorithm>
#include <cmath>

namespace halvane::app::models {

// A pixel offset from the origin: truncated toward zero. A value that is
// not a number lands on the origin and a huge one is held at a billion
// pixels, so no conversion to int is ever out of range.
inline int TruncatePixelOffset(double offset) {
    constexpr double kLimit = 1e9;
    if (std::isnan(offset)) return 0;
    return static_cast<int>(std::clamp(offset, -kLimit, kLimit));
}

// The axis map for one pair of axis scales. A new map covers 0 to 1 of the
// stored form on both axes, so it never divides by a zero span before the
// graph gives it its ranges.
template <class XScale, class YScale>
class CGMapAxes : public CGraphMap {
public:
    void SetCorners(double x1, double y1, double x2, double y2) override { SetRanges(x1, x2, y1, y2); }
    void SetRanges(double xLow, double xHigh, double yLow, double yHigh) override {
        XScale::Range(xLow, xHigh, xLow_, xHigh_);
        YScale::Range(yLow, yHigh, yLow_, yHigh_);
    }

    int XToPixel(double x) const override {
        return AxisToPixel(std::clamp(XScale::Store(x), std::min(xLow_, xHigh_), std::max(xLow_, xHigh_)),
                           xLow_, xHigh_, originX_, width_);
    }
    int YToPixel(double y) const override {
        return AxisToPixel(std::clamp(YScale::Store(y), std::min(yLow_, yHigh_), std::max(yLow_, yHigh_)),
                           yLow_, yHigh_, originY_, height_);
    }
    PlotPoint ToPixel(double x, double y) const override { return {XToPixel(x), YToPixel(y)}; }
    PlotPoint ToPixel(PlotValue v) const override { return ToPixel(v.x, v.y); }
    int XToPixelUnclamped(double x) const override {
        return AxisToPixel(XScale::Store(x), xLow_, xHigh_, originX_, width_);
    }
    int YToPixelUnclamped(double y) const override {
        return AxisToPixel(YScale::Store(y), yLow_, yHigh_, originY_, height_);
    }

    double XToPixelExact(double x) const override {
        return ExactPixel(XScale::Store(x), xLow_, xHigh_, originX_, width_);
    }
    double YToPixelExact(double y) const override {
        return ExactPixel(YScale::Store(y), yLow_, yHigh_, originY_, height_);
    }

    double PixelToX(double px) const override {
        return XScale::Load(PixelToAxis(px, xLow_, xHigh_, originX_, width_));
    }
    double PixelToY(double py) const override {
        return YScale::Load(PixelToAxis(py, yLow_, yHigh_, originY_, height_));
    }
    double PixelToXClamped(double px) const override { return PixelToX(ClampInto(px, originX_, width_)); }
    double PixelToYClamped(double py) const override { return PixelToY(ClampInto(py, originY_, height_)); }
    PlotValue ToValue(double px, double py) const override { return {PixelToXClamped(px), PixelToYClamped(py)}; }
    PlotValue ToValue(PlotPoint p) const override { return ToValue(p.x, p.y); }

    double GetMinX() const override { return XScale::Load(xLow_); }
    double GetMaxX() const override { return XScale::Load(xHigh_); }
    double GetMinY() const override { return YScale::Load(yLow_); }
    double GetMaxY() const override { return YScale::Load(yHigh_); }
    bool IsLogX() const override { return XScale::kLog; }
    bool IsLogY() const override { return YScale::kLog; }

    void SetOrigin(int x, int y) override {
        originX_ = x;
        originY_ = y;
    }
    void SetExtent(int width, int height) override {
        width_ = width;
        height_ = height;
    }
    PlotPoint GetOrigin() const override { return {originX_, originY_}; }
    PlotSize GetExtent() const override { return {width_, height_}; }
    PlotPoint GetFarCorner() const override { return {originX_ + width_, originY_ + height_}; }

    bool Contains(int px, int py) const override {
        return Inside(px, originX_, width_) && Inside(py, originY_, height_);
    }
    PlotPoint ClampToArea(int px, int py) const override {
        return {static_cast<int>(ClampInto(px, originX_, width_)), static_cast<int>(ClampInto(py, originY_, height_))};
    }

private:
    static int AxisToPixel(double stored, double low, double high, int origin, int extent) {
        const double span = high - low;
        if (span == 0.0) return origin;
        return origin + TruncatePixelOffset((stored - low) * extent / span);
    }
    static double ExactPixel(double stored, double low, double high, int origin, int extent) {
        const double span = high - low;
        if (span == 0.0) return origin;
        return origin + (stored - low) * extent / span;
    }
    static double PixelToAxis(double p, double low, double high, int origin, int extent) {
        if (extent == 0) return low;
        return low + (p - origin) * (high - low) / extent;
    }
    static double ClampInto(double p, int origin, int extent) {
        const int a = std::min(origin, origin + extent);
        const int b = std::max(origin, origin + extent);
        return std::clamp(p, static_cast<double>(a), static_cast<double>(b));
    }
    static bool Inside(int p, int origin, int extent) {
        return std::min(origin, origin + extent) <= p && p <= std::max(origin, origin + extent);
    }

    int originX_ = 0;
    int originY_ = 0;
    int width_ = 0;
    int height_ = 0;
    double xLow_ = 0.0;
    double xHigh_ = 1.0;
    double yLow_ = 0.0;
    double yHigh_ = 1.0;
};

// The four maps by axis kinds (x, y).
class CGMapLinLin final : public CGMapAxes<LinearScale, LinearScale> {};
class CGMapLinLog final : public CGMapAxes<LinearScale, LogScale> {};
class CGMapLogLin final : public CGMapAxes<LogScale, LinearScale> {};
class CGMapLogLog final : public CGMapAxes<LogScale, LogScale> {};

}  // namespace halvane::app::models
