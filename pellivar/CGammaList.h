#pragma once

#include "pellivar/DataPointList.h"
#include "pellivar/TiParseable.h"

#include <memory>
#include <vector>

namespace platform {
class ArchiveReader;
class ArchiveWriter;
}  // namespace platform

namespace pellivar {

// One of the processor's four custom gamma curves: its control points in
// order, owned by the list, and the point the editor has active. A new list
// holds the default curve, the straight line (0,0), (64,64) ... (960,960),
// (1023,1023).
//
// Document element: <GammaCurve Count="n" Version="1001"> with one
// <Point X="x" Y="y"/> per point. Version 1000 (or no Version) stored the
// coordinates on a 0-1000 grid; they are scaled by 1023/1000 on reading.
class CGammaList final : public DataPointList, public TiParseable {
public:
    static constexpr int kMinPoints = 5;
    static constexpr int kMaxPoints = 30;
    static constexpr int kDefaultPoints = 17;
    static constexpr int kXmlVersion = 1001;
    static constexpr int kOldXmlVersion = 1000;

    CGammaList();
    // Copies the points; the copy's active point is the one at the same
    // index (never a point of the source list).
    CGammaList(const CGammaList& other);
    CGammaList& operator=(const CGammaList& other);
    ~CGammaList() override = default;

    static std::vector<CGammaPoint> DefaultCurve();

    // The default curve again (no active point).
    void Reset();
    // Deletes `point` and every point after it (nothing if it is not ours).
    void TruncateAt(const CGammaPoint* point);
    // Appends a point at the end (no limit: replies and readers check).
    CGammaPoint* AddTail(int x, int y);
    void RemoveAll();

    std::vector<CGammaPoint> Points() const;
    void SetPoints(const std::vector<CGammaPoint>& points);
    // 5 to 30 points, each on the 0-1023 grid, their x strictly rising from
    // one point to the next: a curve that may be drawn, stored and sent (the
    // curve through points out of order is no function of x: its spline
    // does not pass through them).
    bool IsValid() const;

    // DataPointList
    std::vector<ClientPoint> ComputeCurve(const CBasicPointMap& map) const override;
    std::vector<ClientPoint> MapPoints(const CBasicPointMap& map) const override;
    CGammaPoint* InsertAfter(int index, int x, int y) override;
    CGammaPoint* InsertBefore(int index, int x, int y) override;
    bool RemoveAt(int index) override;
    int MinPoints() const override { return kMinPoints; }
    int MaxPoints() const override { return kMaxPoints; }
    int GetCount() const override { return static_cast<int>(points_.size()); }
    CGammaPoint* GetAt(int index) override;
    const CGammaPoint* GetAt(int index) const override;
    int IndexOf(const CGammaPoint* point) const override;
    CGammaPoint* FindNearest(double x, double y, double maxDistance) override;
    CGammaPoint* SetActive(CGammaPoint* point) override;
    int GetActiveIndex() const override { return IndexOf(active_); }
    int GetHeadPosition() const override { return points_.empty() ? -1 : 0; }
    CGammaPoint* GetActive() const { return active_; }

    // TiParseable. FromXml replaces the points by the element's: "Count"
    // children (of any name) with "X" and "Y" (a missing one reads as 0).
    // False when "Count" is missing or the children run out first; the
    // points read so far stay (the caller decides what to keep).
    bool FromXml(const tinyxml2::XMLElement& element) override;
    tinyxml2::XMLElement* ToXml(tinyxml2::XMLDocument& doc) const override;

    // Stored form: int32 count, then x and y of each point (little-endian).
    // Loading checks the count against the curve limits and the bytes left
    // and replaces the list only when the whole curve was read.
    void Store(platform::ArchiveWriter& out) const;
    void Load(platform::ArchiveReader& in);

    friend bool operator==(const CGammaList& a, const CGammaList& b) { return a.Points() == b.Points(); }

private:
    CGammaPoint* InsertAt(std::size_t at, int x, int y);

    std::vector<std::unique_ptr<CGammaPoint>> points_;
    CGammaPoint* active_ = nullptr;
};

}  // namespace pellivar
