#include "pellivar/CurveEditRules.h"

#include <algorithm>
#include <cmath>

namespace pellivar {

namespace {

int roundHalfUp(double v) { return static_cast<int>(std::floor(v + 0.5)); }

}  // namespace

CurveEditRules::Edit CurveEditRules::AddNear(DataPointList& list, double x, double y, double reach,
                                             int& insertedIndex) {
    insertedIndex = -1;
    if (list.GetCount() >= list.MaxPoints()) return Edit::Full;
    CGammaPoint* nearest = list.FindNearest(x, y, reach);
    if (nearest == nullptr) return Edit::NoPoint;
    const int index = list.IndexOf(nearest);
    const CGammaPoint here = *nearest;
    if (here.x < x) {
        const CGammaPoint* next = list.GetAt(index + 1);
        if (next == nullptr || next->x - here.x <= 3 * kMinSpacing) return Edit::NoRoom;
        if (list.InsertAfter(index, (here.x + next->x) / 2, (here.y + next->y) / 2) == nullptr) return Edit::Full;
        insertedIndex = index + 1;
    } else {
        const CGammaPoint* previous = list.GetAt(index - 1);
        if (previous == nullptr || here.x - previous->x <= 3 * kMinSpacing) return Edit::NoRoom;
        if (list.InsertBefore(index, (here.x + previous->x) / 2, (here.y + previous->y) / 2) == nullptr)
            return Edit::Full;
        insertedIndex = index;
    }
    return Edit::Done;
}

CurveEditRules::Edit CurveEditRules::DeleteNear(DataPointList& list, double x, double y) {
    if (list.GetCount() <= list.MinPoints()) return Edit::AtMinimum;
    CGammaPoint* nearest = list.FindNearest(x, y, kDeleteReach);
    if (nearest == nullptr) return Edit::NoPoint;
    const int index = list.IndexOf(nearest);
    if (index == 0 || index == list.GetCount() - 1) return Edit::Endpoint;
    if (list.GetActiveIndex() == index) list.SetActive(nullptr);
    return list.RemoveAt(index) ? Edit::Done : Edit::NoPoint;
}

void CurveEditRules::DragTo(DataPointList& list, int index, double x, double y, bool sideways, double yMin,
                            double yMax) {
    CGammaPoint* p = list.GetAt(index);
    if (p == nullptr) return;
    const double lo = std::max(yMin, 0.0);
    const double hi = std::min(yMax, static_cast<double>(CGammaPoint::kFullScale));
    p->y = std::clamp(roundHalfUp(y), static_cast<int>(std::ceil(lo)), static_cast<int>(std::floor(hi)));
    const CGammaPoint* previous = list.GetAt(index - 1);
    const CGammaPoint* next = list.GetAt(index + 1);
    if (!sideways || previous == nullptr || next == nullptr) return;
    const int left = previous->x + kMinSpacing;
    const int right = next->x - kMinSpacing;
    if (left > right) return;
    p->x = std::clamp(roundHalfUp(x), left, right);
}

std::string CurveEditRules::RefusalText(Edit edit, const DataPointList& list) {
    switch (edit) {
    case Edit::Full:
        return "Can't add more than " + std::to_string(list.MaxPoints()) + " points";
    case Edit::AtMinimum:
        return "Must have at least " + std::to_string(list.MinPoints()) + " points";
    case Edit::Endpoint:
        return "Can't delete an endpoint";
    default:
        return {};
    }
}

}  // namespace pellivar
