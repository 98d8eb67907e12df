#pragma once

#include "halvane/app/models/PlotGeometry.h"

#include <memory>

namespace halvane::app::models {

// Converts between the data values of a graph and the pixels of its plot
// area, in both directions, with and without clamping. Each axis is linear
// or logarithmic; a logarithmic axis keeps the natural logarithms of its
// range. The origin is the pixel of the low ends of both ranges; the extent
// runs from it to the far corner (a negative height puts the high end of y
// above the low end, as on a screen).
class CGraphMap {
public:
    virtual ~CGraphMap() = default;

    // SetRanges(x1, x2, y1, y2).
    virtual void SetCorners(double x1, double y1, double x2, double y2) = 0;
    virtual void SetRanges(double xLow, double xHigh, double yLow, double yHigh) = 0;

    // Value to pixel, the value first clamped into its range.
    virtual int XToPixel(double x) const = 0;
    virtual int YToPixel(double y) const = 0;
    virtual PlotPoint ToPixel(double x, double y) const = 0;
    virtual PlotPoint ToPixel(PlotValue v) const = 0;
    // Value to pixel without clamping the value.
    virtual int XToPixelUnclamped(double x) const = 0;
    virtual int YToPixelUnclamped(double y) const = 0;
    // The unclamped position before truncation, for arithmetic on pixel
    // bounds (zooming) that must not drift by a pixel per step.
    virtual double XToPixelExact(double x) const = 0;
    virtual double YToPixelExact(double y) const = 0;

    // Pixel to value, the pixel not clamped.
    virtual double PixelToX(double px) const = 0;
    virtual double PixelToY(double py) const = 0;
    // Pixel to value, the pixel first clamped into the area.
    virtual double PixelToXClamped(double px) const = 0;
    virtual double PixelToYClamped(double py) const = 0;
    virtual PlotValue ToValue(double px, double py) const = 0;
    virtual PlotValue ToValue(PlotPoint p) const = 0;

    virtual double GetMinX() const = 0;
    virtual double GetMaxX() const = 0;
    virtual double GetMinY() const = 0;
    virtual double GetMaxY() const = 0;
    virtual bool IsLogX() const = 0;
    virtual bool IsLogY() const = 0;

    virtual void SetOrigin(int x, int y) = 0;
    virtual void SetExtent(int width, int height) = 0;
    virtual PlotPoint GetOrigin() const = 0;
    virtual PlotSize GetExtent() const = 0;
    virtual PlotPoint GetFarCorner() const = 0;

    // Edges count as inside (whichever way the extent points).
    virtual bool Contains(int px, int py) const = 0;
    virtual PlotPoint ClampToArea(int px, int py) const = 0;
};

// The map for the axis kinds of a graph: x 0 linear or 1 logarithmic; y 1
// logarithmic, 0 or 2 (decibels) linear.
std::unique_ptr<CGraphMap> MakeGraphMap(int xKind, int yKind);

}  // namespace halvane::app::models
