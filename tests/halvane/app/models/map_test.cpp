// The axis maps against the same formulas written out in Python's math
// module. Every expectation below was printed by /usr/bin/python3 with
//   o + int((math.log(max(v, 1e-40)) - math.log(lo)) * w / (math.log(hi) - math.log(lo)))
// for a logarithmic axis and o + int((v - lo) * w / (hi - lo)) for a linear
// one; truncation makes a last-place difference matter, so the C++ code must
// do the same double operations in the same order.
#include "halvane/app/models/CGMapAxes.h"
#include "halvane/app/models/CGraphMap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace halvane::app::models;

namespace {

using namespace halvane;

TEST(GraphMap, LinearAxisClampsValuesUnlessAskedNotTo) {
    CGMapLinLin map;
    map.SetOrigin(100, 0);
    map.SetExtent(300, 200);
    map.SetRanges(20, 20000, 0, 1);
    EXPECT_EQ(map.XToPixel(10), 100);
    EXPECT_EQ(map.XToPixel(40000), 400);
    // 100 + int(39980 * 300 / 19980) = 700
    EXPECT_EQ(map.XToPixelUnclamped(40000), 700);
    EXPECT_EQ(map.XToPixel(20), 100);
    EXPECT_DOUBLE_EQ(map.PixelToX(100), 20.0);
    EXPECT_DOUBLE_EQ(map.PixelToX(400), 20000.0);
    EXPECT_DOUBLE_EQ(map.PixelToXClamped(1000), 20000.0);
    EXPECT_DOUBLE_EQ(map.PixelToX(700), 20000.0 + 19980.0);
    EXPECT_DOUBLE_EQ(map.GetMinX(), 20.0);
}

TEST(GraphMap, LogarithmicAxisPutsTheGeometricMiddleInTheMiddle) {
    CGMapLogLin map;
    map.SetExtent(300, 100);
    map.SetRanges(20, 20000, 0, 1);
    EXPECT_EQ(map.XToPixel(632.456), 150);  // 150.00003213429355
    EXPECT_EQ(map.XToPixel(200), 100);      // 100.0
    EXPECT_EQ(map.XToPixel(2000), 200);     // 200.00000000000003
    EXPECT_EQ(map.XToPixel(1000), 169);     // 169.8970004336019
    EXPECT_EQ(map.XToPixel(50), 39);        // 39.79400086720376
    EXPECT_EQ(map.XToPixel(12345.6), 279);  // 279.0482205963791
    // math.exp(math.log(20) + 77 * (math.log(20000) - math.log(20)) / 300)
    EXPECT_NEAR(map.PixelToX(77), 117.7687310711177, 1e-9);
    EXPECT_NEAR(map.PixelToX(150), 632.4555320336755, 1e-9);
    EXPECT_NEAR(map.GetMinX(), 20.0, 1e-12);
    EXPECT_NEAR(map.GetMaxX(), 20000.0, 1e-9);
    EXPECT_TRUE(map.IsLogX());
    EXPECT_FALSE(map.IsLogY());
}

TEST(GraphMap, LogarithmicRangeSpansAtMostFiveDecades) {
    // Screen orientation: origin at the bottom, height negative.
    CGMapLinLog map;
    map.SetOrigin(0, 400);
    map.SetExtent(100, -300);
    map.SetRanges(0, 1, 0.001, 1000);
    // math.exp(math.log(1000) - math.log(100000)) = 0.009999999999999995
    EXPECT_NEAR(map.GetMinY(), 0.01, 1e-15);
    EXPECT_NEAR(map.GetMaxY(), 1000.0, 1e-9);
    EXPECT_EQ(map.YToPixel(1000), 100);
    EXPECT_EQ(map.YToPixel(0.01), 400);
    EXPECT_EQ(map.YToPixel(0.5), 299);
    EXPECT_EQ(map.YToPixel(3), 252);
    EXPECT_EQ(map.YToPixel(7.7), 227);
    // Zero and negative values count as 1e-40: the low edge.
    EXPECT_EQ(map.YToPixel(0), 400);
    EXPECT_EQ(map.YToPixel(-5), 400);
}

TEST(GraphMap, DegenerateLogarithmicRanges) {
    CGMapLogLog map;
    map.SetExtent(100, 100);
    // A high end not above the low end becomes 1e-39.
    map.SetRanges(-3, -1, 1, 10);
    EXPECT_NEAR(map.GetMinX(), 1e-40, 1e-52);
    EXPECT_NEAR(map.GetMaxX(), 1e-39, 1e-51);
}

TEST(GraphMap, ScreenOrientedYAxisAndItsArea) {
    CGMapLinLin map;
    map.SetOrigin(60, 300);
    map.SetExtent(400, -200);
    map.SetRanges(0, 1, -50, 0);
    EXPECT_EQ(map.YToPixel(-3.2), 113);
    EXPECT_EQ(map.YToPixel(-50), 300);
    EXPECT_EQ(map.YToPixel(0), 100);
    EXPECT_EQ(map.YToPixel(-25.5), 202);
    EXPECT_DOUBLE_EQ(map.PixelToY(217), -29.25);
    EXPECT_DOUBLE_EQ(map.PixelToYClamped(50), 0.0);
    EXPECT_DOUBLE_EQ(map.PixelToYClamped(900), -50.0);

    EXPECT_TRUE(map.Contains(60, 300));
    EXPECT_TRUE(map.Contains(460, 100));
    EXPECT_FALSE(map.Contains(59, 200));
    EXPECT_FALSE(map.Contains(100, 99));
    EXPECT_EQ(map.ClampToArea(0, 0), (PlotPoint{60, 100}));
    EXPECT_EQ(map.ClampToArea(999, 999), (PlotPoint{460, 300}));
    EXPECT_EQ(map.GetFarCorner(), (PlotPoint{460, 100}));
    const PlotValue v = map.ToValue(PlotPoint{260, 200});
    EXPECT_DOUBLE_EQ(v.x, 0.5);
    EXPECT_DOUBLE_EQ(v.y, -25.0);
}

TEST(GraphMap, NewMapAndNonFiniteValuesStayDefined) {
    CGMapLinLin fresh;  // no ranges yet, no extent
    EXPECT_EQ(fresh.XToPixel(0.5), 0);
    EXPECT_DOUBLE_EQ(fresh.PixelToX(10), 0.0);

    CGMapLogLin map;
    map.SetOrigin(10, 0);
    map.SetExtent(300, 100);
    map.SetRanges(20, 20000, -1, 1);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(map.XToPixel(inf), 310);
    EXPECT_EQ(map.XToPixel(nan), 10);
    EXPECT_EQ(map.XToPixelUnclamped(inf), 10 + 1000000000);
    EXPECT_EQ(map.YToPixelUnclamped(nan), 0);
    EXPECT_EQ(map.YToPixelUnclamped(-inf), -1000000000);
}

TEST(GraphMap, FactoryChoosesTheMapForTheAxisKinds) {
    EXPECT_TRUE(MakeGraphMap(1, 2)->IsLogX());
    EXPECT_FALSE(MakeGraphMap(1, 2)->IsLogY());
    EXPECT_TRUE(MakeGraphMap(1, 1)->IsLogY());
    EXPECT_FALSE(MakeGraphMap(0, 1)->IsLogX());
    EXPECT_TRUE(MakeGraphMap(0, 1)->IsLogY());
    EXPECT_FALSE(MakeGraphMap(0, 0)->IsLogY());
}

}  // namespace
