#include "halvane/app/models/GraphScale.h"

#include "halvane/signal/DbleVect.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace halvane::app::models {

LevelRange ScaleFromHint(double level) {
    return {5.0 * std::floor((level - 40.0) / 5.0), 5.0 * std::ceil((level + 10.0) / 5.0)};
}

LevelRange ScaleFromCurves(const CurveList& curves, bool first) {
    double top = GraphLimits::kMinDb;
    double bottom = GraphLimits::kMaxDb;
    for (const CurveEntry& curve : curves) {
        if (curve.x == nullptr || curve.y == nullptr || curve.x->Count() != curve.y->Count()) continue;
        const signal::DbleVect& x = *curve.x;
        const signal::DbleVect& y = *curve.y;
        for (int i = 0; i < x.Count(); ++i) {
            if (!(x[i] >= GraphLimits::kMinHz && x[i] <= GraphLimits::kMaxHz) || !std::isfinite(y[i])) continue;
            top = std::max(top, y[i]);
            bottom = std::min(bottom, y[i]);
        }
    }
    if (first) {
        top = 10.0 * std::ceil(top / 10.0);
        bottom = top - 50.0;
    } else {
        top = 2.0 * std::ceil(top / 2.0);
        bottom = 2.0 * std::floor(bottom / 2.0);
        if (bottom == top) bottom = top - 2.0;
    }
    return {bottom, top};
}

namespace {

// Shifts the pixel bounds (a, b) of one axis so that they lie inside the
// pixels (la, lb) of its limits, whichever way the axis runs on screen.
void ShiftInside(double& a, double& b, double la, double lb) {
    const double sign = la <= lb ? 1.0 : -1.0;
    double lo = sign * a, hi = sign * b, limLo = sign * la, limHi = sign * lb;
    if (lo > hi) std::swap(lo, hi);
    if (limLo > limHi) std::swap(limLo, limHi);
    double shift = 0.0;
    if (lo < limLo) shift = limLo - lo;
    else if (hi > limHi) shift = limHi - hi;
    a += sign * shift;
    b += sign * shift;
}

}  // namespace

ViewRange WheelZoom(const CGraphMap& map, PlotPoint cursor, int step) {
    const PlotPoint origin = map.GetOrigin();
    const PlotSize extent = map.GetExtent();
    double x0 = origin.x, x1 = origin.x + extent.width;
    double y0 = origin.y, y1 = origin.y + extent.height;
    const double cx = origin.x + extent.width / 2.0;
    const double cy = origin.y + extent.height / 2.0;
    double px = cx, py = cy;
    if (map.Contains(cursor.x, cursor.y)) {
        px = cursor.x;
        py = cursor.y;
    }
    const double dx = (px - cx) / 4.0;
    const double dy = (py - cy) / 4.0;
    x0 += dx;
    x1 += dx;
    y0 += dy;
    y1 += dy;

    const double sx = 0.05 * (x1 - x0);
    const double sy = 0.05 * (y1 - y0);
    if (step > 0) {
        if (map.GetMaxX() - map.GetMinX() > std::pow(10.0, 2.5)) {
            x0 += sx;
            x1 -= sx;
        }
        if (map.GetMaxY() - map.GetMinY() > 5.0) {
            y0 += sy;
            y1 -= sy;
        }
    } else if (step < 0) {
        x0 -= sx;
        x1 += sx;
        y0 -= sy;
        y1 += sy;
    }

    ShiftInside(x0, x1, map.XToPixelExact(GraphLimits::kMinHz), map.XToPixelExact(GraphLimits::kMaxHz));
    ShiftInside(y0, y1, map.YToPixelExact(GraphLimits::kMinDb), map.YToPixelExact(GraphLimits::kMaxDb));

    auto clampX = [](double v) { return std::clamp(v, GraphLimits::kMinHz, GraphLimits::kMaxHz); };
    auto clampY = [](double v) { return std::clamp(v, GraphLimits::kMinDb, GraphLimits::kMaxDb); };
    return {clampX(map.PixelToX(x0)), clampX(map.PixelToX(x1)), clampY(map.PixelToY(y0)), clampY(map.PixelToY(y1))};
}

}  // namespace halvane::app::models
