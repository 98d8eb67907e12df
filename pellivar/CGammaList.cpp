#include "pellivar/CGammaList.h"

#include "pellivar/GammaSpline.h"
#include "pellivar/TiXmlContainer.h"
#include "platform/ArchiveException.h"
#include "platform/ArchiveReader.h"
#include "platform/ArchiveWriter.h"

#include <cmath>
#include <cstdint>
#include <tinyxml2.h>

namespace pellivar {

namespace {

// A coordinate of the old 0-1000 grid on the 0-1023 grid, truncated toward
// zero, in exact integers (1000 gives 1023, as 1.023 in floating point does
// not). Far-off values are kept far off, so the range check still refuses
// them.
int scaleOldCoordinate(int v) {
    const std::int64_t scaled = static_cast<std::int64_t>(v) * 1023 / 1000;
    if (scaled > INT32_MAX) return INT32_MAX;
    if (scaled < INT32_MIN) return INT32_MIN;
    return static_cast<int>(scaled);
}

}  // namespace

CGammaList::CGammaList() { Reset(); }

CGammaList::CGammaList(const CGammaList& other) { *this = other; }

CGammaList& CGammaList::operator=(const CGammaList& other) {
    if (this == &other) return *this;
    const int active = other.GetActiveIndex();
    SetPoints(other.Points());
    active_ = active >= 0 ? points_[static_cast<std::size_t>(active)].get() : nullptr;
    return *this;
}

std::vector<CGammaPoint> CGammaList::DefaultCurve() {
    std::vector<CGammaPoint> points;
    for (int v = 0; v <= 960; v += 64) points.push_back({v, v});
    points.push_back({CGammaPoint::kFullScale, CGammaPoint::kFullScale});
    return points;
}

void CGammaList::Reset() { SetPoints(DefaultCurve()); }

void CGammaList::RemoveAll() {
    points_.clear();
    active_ = nullptr;
}

void CGammaList::SetPoints(const std::vector<CGammaPoint>& points) {
    RemoveAll();
    points_.reserve(points.size());
    for (const CGammaPoint& p : points) points_.push_back(std::make_unique<CGammaPoint>(p));
}

std::vector<CGammaPoint> CGammaList::Points() const {
    std::vector<CGammaPoint> out;
    out.reserve(points_.size());
    for (const auto& p : points_) out.push_back(*p);
    return out;
}

bool CGammaList::IsValid() const {
    if (GetCount() < kMinPoints || GetCount() > kMaxPoints) return false;
    for (std::size_t i = 0; i < points_.size(); ++i) {
        if (!points_[i]->InRange()) return false;
        if (i > 0 && points_[i]->x <= points_[i - 1]->x) return false;
    }
    return true;
}

void CGammaList::TruncateAt(const CGammaPoint* point) {
    const int at = IndexOf(point);
    if (at < 0) return;
    if (GetActiveIndex() >= at) active_ = nullptr;
    points_.erase(points_.begin() + at, points_.end());
}

CGammaPoint* CGammaList::AddTail(int x, int y) {
    points_.push_back(std::make_unique<CGammaPoint>(CGammaPoint{x, y}));
    return points_.back().get();
}

CGammaPoint* CGammaList::InsertAt(std::size_t at, int x, int y) {
    if (GetCount() >= kMaxPoints) return nullptr;
    auto it = points_.insert(points_.begin() + static_cast<std::ptrdiff_t>(at),
                             std::make_unique<CGammaPoint>(CGammaPoint{x, y}));
    return it->get();
}

CGammaPoint* CGammaList::InsertAfter(int index, int x, int y) {
    if (index < 0 || index >= GetCount()) return nullptr;
    return InsertAt(static_cast<std::size_t>(index) + 1, x, y);
}

CGammaPoint* CGammaList::InsertBefore(int index, int x, int y) {
    if (index < 0 || index >= GetCount()) return nullptr;
    return InsertAt(static_cast<std::size_t>(index), x, y);
}

bool CGammaList::RemoveAt(int index) {
    if (index < 0 || index >= GetCount()) return false;
    if (active_ == points_[static_cast<std::size_t>(index)].get()) active_ = nullptr;
    points_.erase(points_.begin() + index);
    return true;
}

CGammaPoint* CGammaList::GetAt(int index) {
    return index >= 0 && index < GetCount() ? points_[static_cast<std::size_t>(index)].get() : nullptr;
}

const CGammaPoint* CGammaList::GetAt(int index) const {
    return index >= 0 && index < GetCount() ? points_[static_cast<std::size_t>(index)].get() : nullptr;
}

int CGammaList::IndexOf(const CGammaPoint* point) const {
    if (point == nullptr) return -1;
    for (std::size_t i = 0; i < points_.size(); ++i)
        if (points_[i].get() == point) return static_cast<int>(i);
    return -1;
}

CGammaPoint* CGammaList::FindNearest(double x, double y, double maxDistance) {
    CGammaPoint* best = nullptr;
    double bestDistance = 0;
    for (const auto& p : points_) {
        const double d = std::hypot(p->x - x, p->y - y);
        if (d > maxDistance) continue;
        if (best == nullptr || d <= bestDistance) {
            best = p.get();
            bestDistance = d;
        }
    }
    return best;
}

CGammaPoint* CGammaList::SetActive(CGammaPoint* point) {
    CGammaPoint* previous = active_;
    active_ = IndexOf(point) >= 0 ? point : nullptr;
    return previous;
}

std::vector<ClientPoint> CGammaList::ComputeCurve(const CBasicPointMap& map) const {
    std::vector<ClientPoint> out;
    const GammaSpline spline(Points());
    for (const GammaSpline::Sample& s : spline.Samples())
        if (map.Contains(s.x, s.y)) out.push_back(map.ToClient(s.x, s.y));
    return out;
}

std::vector<ClientPoint> CGammaList::MapPoints(const CBasicPointMap& map) const {
    std::vector<ClientPoint> out;
    for (const auto& p : points_)
        if (map.Contains(p->x, p->y)) out.push_back(map.ToClient(p->x, p->y));
    return out;
}

bool CGammaList::FromXml(const tinyxml2::XMLElement& element) {
    RemoveAll();
    int count = 0;
    if (!ReadIntAttribute(element, "Count", count)) return false;
    int version = kOldXmlVersion;
    ReadIntAttribute(element, "Version", version);
    const tinyxml2::XMLElement* child = element.FirstChildElement();
    for (int i = 0; i < count; ++i) {
        // More points than any curve holds: no need to read on.
        if (child == nullptr || GetCount() >= kMaxPoints) return false;
        int x = 0, y = 0;
        ReadIntAttribute(*child, "X", x);
        ReadIntAttribute(*child, "Y", y);
        if (version == kOldXmlVersion) {
            x = scaleOldCoordinate(x);
            y = scaleOldCoordinate(y);
        }
        AddTail(x, y);
        child = child->NextSiblingElement();
    }
    return true;
}

tinyxml2::XMLElement* CGammaList::ToXml(tinyxml2::XMLDocument& doc) const {
    tinyxml2::XMLElement* e = doc.NewElement("GammaCurve");
    e->SetAttribute("Count", GetCount());
    e->SetAttribute("Version", kXmlVersion);
    for (const auto& p : points_) {
        tinyxml2::XMLElement* point = doc.NewElement("Point");
        point->SetAttribute("X", p->x);
        point->SetAttribute("Y", p->y);
        e->InsertEndChild(point);
    }
    return e;
}

void CGammaList::Store(platform::ArchiveWriter& out) const {
    out.writeInt32(GetCount());
    for (const auto& p : points_) {
        out.writeInt32(p->x);
        out.writeInt32(p->y);
    }
}

void CGammaList::Load(platform::ArchiveReader& in) {
    const std::int32_t count = in.readInt32();
    if (count < kMinPoints || count > kMaxPoints)
        throw platform::ArchiveException(platform::ArchiveException::Cause::Generic,
                                         "A gamma curve holds " + std::to_string(count) + " points.");
    in.requireElements(count, 8, "a gamma curve");
    std::vector<CGammaPoint> points(static_cast<std::size_t>(count));
    for (CGammaPoint& p : points) {
        p.x = in.readInt32();
        p.y = in.readInt32();
        if (!p.InRange())
            throw platform::ArchiveException(platform::ArchiveException::Cause::Generic,
                                             "A gamma curve point lies off the 0-1023 grid.");
    }
    SetPoints(points);
}

}  // namespace pellivar
