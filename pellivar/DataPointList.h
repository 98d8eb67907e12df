#pragma once

#include "pellivar/CBasicPointMap.h"
#include "pellivar/CGammaPoint.h"

#include <vector>

namespace pellivar {

// What the curve editor needs of a curve's control points. An index counts
// points from 0 in list order.
class DataPointList {
public:
    virtual ~DataPointList() = default;

    // The drawn curve, mapped through `map`; points outside the map's ranges
    // are left out. Empty when the list holds more points than a curve may.
    virtual std::vector<ClientPoint> ComputeCurve(const CBasicPointMap& map) const = 0;
    // The control points mapped through `map`, skipping those outside it.
    virtual std::vector<ClientPoint> MapPoints(const CBasicPointMap& map) const = 0;
    // A new point after / before the point at `index`; null (and nothing
    // inserted) for an index outside the list or a full list.
    virtual CGammaPoint* InsertAfter(int index, int x, int y) = 0;
    virtual CGammaPoint* InsertBefore(int index, int x, int y) = 0;
    // Deletes the point at `index`; false for an index outside the list.
    virtual bool RemoveAt(int index) = 0;
    virtual int MinPoints() const = 0;
    virtual int MaxPoints() const = 0;
    virtual int GetCount() const = 0;
    // Null for an index outside the list.
    virtual CGammaPoint* GetAt(int index) = 0;
    virtual const CGammaPoint* GetAt(int index) const = 0;
    // -1 for a point not in the list.
    virtual int IndexOf(const CGammaPoint* point) const = 0;
    // The point closest to (x, y) within `maxDistance` (Euclidean); on equal
    // distances the later point wins; null when none is close enough.
    virtual CGammaPoint* FindNearest(double x, double y, double maxDistance) = 0;
    // Makes `point` (one of the list's, or null) the active point; returns
    // the previous one.
    virtual CGammaPoint* SetActive(CGammaPoint* point) = 0;
    // -1 when no point is active.
    virtual int GetActiveIndex() const = 0;
    // The index of the first point, -1 for an empty list.
    virtual int GetHeadPosition() const = 0;
};

}  // namespace pellivar
