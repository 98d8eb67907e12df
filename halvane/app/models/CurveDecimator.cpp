#include "halvane/app/models/CurveDecimator.h"

#include "halvane/app/models/PointBufferPool.h"
#include "halvane/signal/DbleVect.h"

#include <cmath>

namespace halvane::app::models {

namespace {

// Appends points to the claimed buffer, drawing it whenever it fills.
class PolylineWriter {
public:
    explicit PolylineWriter(const PolylineSink& sink) : sink_(sink), buffer_(PointBufferPool::Claim()) {}

    void Append(PlotPoint p) {
        PlotPoint* data = buffer_.Data();
        if (count_ > 0 && data[count_ - 1] == p) return;
        if (count_ == buffer_.Capacity()) {
            sink_(data, count_);
            data[0] = data[count_ - 1];
            count_ = 1;
        }
        data[count_++] = p;
    }

    void Finish() {
        if (count_ >= 2) sink_(buffer_.Data(), count_);
        count_ = 0;
    }

private:
    const PolylineSink& sink_;
    PointBuffer buffer_;
    int count_ = 0;
};

struct Column {
    PlotPoint first, lowest, highest, last;

    void Start(PlotPoint p) { first = lowest = highest = last = p; }
    void Add(PlotPoint p) {
        if (p.y < lowest.y) lowest = p;
        if (p.y > highest.y) highest = p;
        last = p;
    }
    void Close(PolylineWriter& out) const {
        out.Append(first);
        out.Append(lowest);
        out.Append(highest);
        out.Append(last);
    }
};

}  // namespace

void DecimateCurve(const CGraphMap& map, const double* x, const double* y, int n, const PolylineSink& sink) {
    if (n <= 0 || x == nullptr || y == nullptr) return;
    const double minX = map.GetMinX();
    const double maxX = map.GetMaxX();
    PolylineWriter out(sink);
    Column column;
    bool open = false;
    for (int i = 0; i < n; ++i) {
        if (!std::isfinite(x[i]) || !std::isfinite(y[i])) continue;
        if (x[i] < minX || x[i] > maxX) continue;
        const PlotPoint p = map.ToPixel(x[i], y[i]);
        if (open && p.x == column.first.x) {
            column.Add(p);
            continue;
        }
        if (open) column.Close(out);
        column.Start(p);
        open = true;
    }
    if (open) column.Close(out);
    out.Finish();
}

void DecimateCurve(const CGraphMap& map, const signal::DbleVect& x, const signal::DbleVect& y, const PolylineSink& sink) {
    if (x.Count() != y.Count()) return;
    DecimateCurve(map, x.Data(), y.Data(), x.Count(), sink);
}

}  // namespace halvane::app::models
