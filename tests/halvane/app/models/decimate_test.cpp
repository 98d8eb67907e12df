// Min/max decimation of curves and the point buffers it draws from.
#include "halvane/app/models/CGMapAxes.h"
#include "halvane/app/models/CurveDecimator.h"
#include "halvane/app/models/PointBufferPool.h"
#include "halvane/signal/DbleVect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

using namespace halvane::app::models;
using namespace halvane::signal;

namespace {

using namespace halvane;

using Polylines = std::vector<std::vector<PlotPoint>>;

Polylines Decimate(const CGraphMap& map, const DbleVect& x, const DbleVect& y) {
    Polylines lines;
    DecimateCurve(map, x, y, [&](const PlotPoint* p, int n) { lines.emplace_back(p, p + n); });
    return lines;
}

DbleVect Vector(const std::vector<double>& values) {
    DbleVect v;
    v.Assign(values.data(), static_cast<int>(values.size()));
    return v;
}

// A linear map from 0..1000 x and -50..0 y onto 1000 by 500 pixels, y up.
CGMapLinLin Map() {
    CGMapLinLin map;
    map.SetOrigin(0, 500);
    map.SetExtent(1000, -500);
    map.SetRanges(0, 1000, -50, 0);
    return map;
}

TEST(CurveDecimation, OneColumnOfManyPointsIsOneVerticalStroke) {
    const CGMapLinLin map = Map();
    std::vector<double> xs(10000), ys(10000);
    for (int i = 0; i < 10000; ++i) {
        xs[i] = 500.0 + i * 1e-5;              // all in pixel column 500
        ys[i] = -25.0 + 20.0 * std::sin(i * 0.37);  // -45 .. -5 dB
    }
    const Polylines lines = Decimate(map, Vector(xs), Vector(ys));
    ASSERT_EQ(lines.size(), 1u);
    ASSERT_LE(lines[0].size(), 4u);
    int top = 1 << 30, bottom = -1;
    for (const PlotPoint& p : lines[0]) {
        EXPECT_EQ(p.x, 500);
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    EXPECT_EQ(top, map.YToPixel(*std::max_element(ys.begin(), ys.end())));
    EXPECT_EQ(bottom, map.YToPixel(*std::min_element(ys.begin(), ys.end())));
}

TEST(CurveDecimation, ColumnsKeepFirstLowestHighestLast) {
    const CGMapLinLin map = Map();
    // Column 10: levels -10, -40, -20, -30; column 11: -30 once.
    const auto lines = Decimate(map, Vector({10.1, 10.2, 10.3, 10.4, 11.5}), Vector({-10, -40, -20, -30, -30}));
    ASSERT_EQ(lines.size(), 1u);
    // y = 500 - int((v + 50) * 10): -10 dB is pixel 100 (the column's first and
    // lowest y), -40 dB pixel 400 (highest), -30 dB pixel 300 (last).
    EXPECT_EQ(lines[0], (std::vector<PlotPoint>{{10, 100}, {10, 400}, {10, 300}, {11, 300}}));
}

TEST(CurveDecimation, SkipsPointsOutsideTheRangeAndNonFinitePoints) {
    const CGMapLinLin map = Map();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const auto lines = Decimate(map, Vector({-5, 100, 200, nan, 300, 400, 2000}), Vector({-10, -10, nan, -10, inf, -20, -10}));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], (std::vector<PlotPoint>{{100, 100}, {400, 200}}));
}

TEST(CurveDecimation, UnequalCountsOrASinglePointDrawNothing) {
    const CGMapLinLin map = Map();
    EXPECT_TRUE(Decimate(map, Vector({1, 2, 3}), Vector({-1, -2})).empty());
    EXPECT_TRUE(Decimate(map, Vector({1}), Vector({-1})).empty());
    EXPECT_TRUE(Decimate(map, DbleVect(), DbleVect()).empty());
}

TEST(CurveDecimation, LongCurvesComeInBatchesThatJoin) {
    // 70000 distinct pixel columns on a wide map: more than one buffer.
    CGMapLinLin map;
    map.SetOrigin(0, 500);
    map.SetExtent(70000, -500);
    map.SetRanges(0, 70000, -50, 0);
    std::vector<double> xs(70000), ys(70000);
    for (int i = 0; i < 70000; ++i) {
        xs[i] = i + 0.5;
        ys[i] = (i % 2 == 0) ? -10.0 : -20.0;
    }
    const Polylines lines = Decimate(map, Vector(xs), Vector(ys));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), 65536u);
    EXPECT_EQ(lines[1].front(), lines[0].back());
    EXPECT_EQ(lines[0].size() + lines[1].size() - 1, 70000u);
}

TEST(PointBuffers, TwoPooledThenTheHeap) {
    ASSERT_EQ(PointBufferPool::InUse(), 0);
    {
        PointBuffer a = PointBufferPool::Claim();
        PointBuffer b = PointBufferPool::Claim();
        PointBuffer c = PointBufferPool::Claim();
        EXPECT_EQ(a.PoolSlot(), 0);
        EXPECT_EQ(b.PoolSlot(), 1);
        EXPECT_EQ(c.PoolSlot(), -1);
        EXPECT_NE(c.Data(), nullptr);
        EXPECT_EQ(PointBufferPool::InUse(), 2);
        c.Data()[PointBuffer::kPoints - 1] = {1, 2};  // the heap buffer is full size
        // A third drawing still works while both pooled buffers are held.
        const CGMapLinLin map = Map();
        EXPECT_EQ(Decimate(map, Vector({1, 900}), Vector({-1, -2})).size(), 1u);
        PointBuffer moved = std::move(a);
        EXPECT_EQ(moved.PoolSlot(), 0);
        EXPECT_EQ(PointBufferPool::InUse(), 2);
    }
    EXPECT_EQ(PointBufferPool::InUse(), 0);
    PointBuffer again = PointBufferPool::Claim();
    EXPECT_EQ(again.PoolSlot(), 0);
}

}  // namespace
