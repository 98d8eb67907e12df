#pragma once

#include "pellivar/DataPointList.h"

#include <string>

namespace pellivar {

// The curve editor's rules for adding, deleting and dragging points, apart
// from the window. Coordinates are value units.
struct CurveEditRules {
    // The closest two points may come in x while dragging sideways.
    static constexpr int kMinSpacing = 8;
    // How far from a point a SHIFT + right click still deletes it.
    static constexpr double kDeleteReach = 50;

    enum class Edit { Done, Full, AtMinimum, Endpoint, NoPoint, NoRoom };

    // SHIFT + left click at (x, y): the nearest point within `reach`; a new
    // point at the midpoint between it and its neighbour on the side of the
    // click (after it when it lies left of the click, else before it), if
    // that neighbour exists and lies more than three spacings away.
    static Edit AddNear(DataPointList& list, double x, double y, double reach, int& insertedIndex);
    // SHIFT + right click: the nearest point within kDeleteReach, unless it
    // is an end point or the list is at its minimum.
    static Edit DeleteNear(DataPointList& list, double x, double y);
    // Moves point `index` to (x, y): y kept inside [yMin, yMax]; x changes
    // only when dragging sideways, never for the first or last point, and
    // stays a spacing clear of both neighbours.
    static void DragTo(DataPointList& list, int index, double x, double y, bool sideways, double yMin,
                       double yMax);

    // The texts shown when an edit is refused.
    static std::string RefusalText(Edit edit, const DataPointList& list);
};

}  // namespace pellivar
