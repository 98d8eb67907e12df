#pragma once

#include "halvane/app/models/CGraphMap.h"

#include <functional>

namespace halvane::signal {
class DbleVect;
}

namespace halvane::app::models {

// Receives each polyline of a decimated curve (at least 2 points).
using PolylineSink = std::function<void(const PlotPoint* points, int count)>;

// Draws a curve of n points through the map with min/max decimation: per
// pixel column it keeps the column's first point, the points of lowest and
// highest y and its last point, appended in that order without repeating
// the point appended just before. Points outside the x range and points
// that are not finite numbers are skipped. The polylines come from a
// claimed point buffer, at most 65536 points each; a full buffer is drawn
// and restarted with its last point.
void DecimateCurve(const CGraphMap& map, const double* x, const double* y, int n, const PolylineSink& sink);

// The same for a curve's x and y vectors; nothing when their counts differ.
void DecimateCurve(const CGraphMap& map, const signal::DbleVect& x, const signal::DbleVect& y, const PolylineSink& sink);

}  // namespace halvane::app::models
