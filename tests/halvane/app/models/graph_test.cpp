// The graph's layout, ranges, readouts, automatic scale and wheel zoom.
// Zoom expectations were printed by /usr/bin/python3 with
//   l, h = math.log(1000), math.log(1100)
//   math.exp(l + (97.5 - 60) * (h - l) / 600), math.exp(l + (697.5 - 60) * (h - l) / 600)
//   -> 1005.9746637666376 1106.5721301433014
//   l, h = math.log(20), math.log(20000)
//   math.exp(l + (90 - 60) * (h - l) / 600), math.exp(l + (630 - 60) * (h - l) / 600)
//   -> 28.25075089245508 14158.915687682742
#include "halvane/app/models/CGraph.h"
#include "halvane/app/models/GraphScale.h"
#include "halvane/signal/DbleVect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace halvane::app::models;
using namespace halvane::signal;

namespace {

using namespace halvane;

// Text 10 pixels high, characters 6 wide: margins 60 left, 30 right, 20 top,
// 30 bottom. A client of 690 by 450 leaves exactly 600 by 400.
CGraph LaidOut() {
    CGraph graph(10, 6);
    graph.Layout(690, 450);
    return graph;
}

DbleVect Vector(const std::vector<double>& values) {
    DbleVect v;
    v.Assign(values.data(), static_cast<int>(values.size()));
    return v;
}

TEST(Graph, NewGraphShowsTheAudioBandInDecibels) {
    const CGraph graph(10, 6);
    EXPECT_EQ(graph.XKindValue(), CGraph::XLog);
    EXPECT_EQ(graph.YKindValue(), CGraph::YDecibel);
    EXPECT_NEAR(graph.GetMap().GetMinX(), 20.0, 1e-9);
    EXPECT_NEAR(graph.GetMap().GetMaxX(), 20000.0, 1e-9);
    EXPECT_DOUBLE_EQ(graph.GetMap().GetMinY(), -50.0);
    EXPECT_DOUBLE_EQ(graph.GetMap().GetMaxY(), 0.0);
    EXPECT_DOUBLE_EQ(graph.XStep(), 3.0);
    EXPECT_DOUBLE_EQ(graph.YStep(), 10.0);
    EXPECT_TRUE(graph.IsGridOn());
    EXPECT_EQ(graph.Title(), "Frequency Domain");
    EXPECT_EQ(graph.XAxisTitle(), "Frequency (Hz)");
    EXPECT_EQ(graph.Background(), 0x00F5FFFFu);
    EXPECT_EQ(graph.LeftMargin(), 60);
    EXPECT_EQ(graph.RightMargin(), 30);
    EXPECT_EQ(graph.TopMargin(), 20);
    EXPECT_EQ(graph.BottomMargin(), 30);
}

TEST(Graph, LayoutKeepsThreeToTwo) {
    CGraph graph = LaidOut();
    EXPECT_EQ(graph.PlotWidth(), 600);
    EXPECT_EQ(graph.PlotHeight(), 400);
    EXPECT_EQ(graph.PlotLeft(), 60);
    EXPECT_EQ(graph.PlotTop(), 20);
    EXPECT_EQ(graph.PlotBottom(), 420);
    EXPECT_EQ(graph.GetMap().GetExtent(), (PlotSize{600, -400}));
    EXPECT_EQ(graph.GetTotalSize(), (PlotSize{690, 450}));
    // Too wide: the height decides, the plot moves in by a quarter of the rest.
    graph.Layout(1290, 450);  // a = 1200, b = 400 -> 600 by 400, offset 150
    EXPECT_EQ(graph.PlotWidth(), 600);
    EXPECT_EQ(graph.PlotHeight(), 400);
    EXPECT_EQ(graph.PlotLeft(), 60 + 150);
    // Too high: the width decides.
    graph.Layout(690, 1050);  // a = 600, b = 1000 -> 600 by 400, offset 150
    EXPECT_EQ(graph.PlotHeight(), 400);
    EXPECT_EQ(graph.PlotTop(), 20 + 150);
    // Smaller than the margins: a plot of one pixel, conversions stay finite.
    graph.Layout(10, 10);
    EXPECT_EQ(graph.PlotWidth(), 1);
    EXPECT_EQ(graph.PlotHeight(), 1);
    EXPECT_TRUE(std::isfinite(graph.GetMap().PixelToX(5)));
    EXPECT_TRUE(std::isfinite(graph.GetMap().PixelToY(5)));
}

TEST(Graph, SetRangeOrdersPairsAndRefusesEmptyOnes) {
    CGraph graph = LaidOut();
    EXPECT_TRUE(graph.SetRange(2000, 200, 10, -10));
    EXPECT_NEAR(graph.GetMap().GetMinX(), 200.0, 1e-9);
    EXPECT_NEAR(graph.GetMap().GetMaxX(), 2000.0, 1e-9);
    EXPECT_DOUBLE_EQ(graph.GetMap().GetMinY(), -10.0);
    EXPECT_DOUBLE_EQ(graph.XStep(), 1.0);
    EXPECT_DOUBLE_EQ(graph.YStep(), 2.0);  // NiceStep(20)
    // Less than a decade on the logarithmic axis: a linear step, whatever
    // the last place of exp(ln 1100) - exp(ln 1000).
    EXPECT_TRUE(graph.SetRange(1000, 1100, -10, 10));
    EXPECT_DOUBLE_EQ(graph.XStep(), 20.0);
    EXPECT_TRUE(graph.SetRange(2000, 200, 10, -10));
    EXPECT_FALSE(graph.SetRange(100, 100, -10, 0));
    EXPECT_FALSE(graph.SetRange(100, 1000, 3, 3));
    EXPECT_FALSE(graph.SetRange(100, std::numeric_limits<double>::quiet_NaN(), -10, 0));
    EXPECT_NEAR(graph.GetMap().GetMinX(), 200.0, 1e-9);
}

TEST(Graph, ReadoutsAtAPixel) {
    CGraph graph = LaidOut();
    graph.SetRange(0.5, 20000, -50, 0);
    graph.SetRange(20, 20000, -50, 0);
    EXPECT_EQ(graph.FormatX(60), "20.00 Hz");
    EXPECT_EQ(graph.FormatX(660), "20000.00 Hz");
    EXPECT_EQ(graph.FormatY(420, 0), "-50.00 dB");
    EXPECT_EQ(graph.FormatY(220, 0), "-25.00 dB");
    graph.SetPhaseShown(true);
    EXPECT_EQ(graph.FormatY(20, 1), "0.00 Rad");
    EXPECT_EQ(graph.FormatY(20, 0), "0.00");
    EXPECT_EQ(graph.ToggleGrid(), 0);
    EXPECT_FALSE(graph.IsGridOn());
}

TEST(AutoScale, FromAHint) {
    // 5 * ceil((L + 10) / 5), 5 * floor((L - 40) / 5)
    const LevelRange r = ScaleFromHint(-7.3);
    EXPECT_DOUBLE_EQ(r.top, 5.0);
    EXPECT_DOUBLE_EQ(r.bottom, -50.0);
    EXPECT_DOUBLE_EQ(ScaleFromHint(0).top, 10.0);
    EXPECT_DOUBLE_EQ(ScaleFromHint(0).bottom, -40.0);
}

TEST(AutoScale, FromTheCurvesInTheAudioBand) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // Points below 20 Hz, above 20 kHz and NaN do not count.
    const DbleVect x = Vector({10, 20, 100, 1000, 5000, 20000, 30000});
    const DbleVect y = Vector({40, -3.2, -17.9, nan, -30.5, -8, 60});
    CurveList curves{{0, 0, 0xFF, &x, &y}};
    LevelRange r = ScaleFromCurves(curves, true);
    EXPECT_DOUBLE_EQ(r.top, 0.0);
    EXPECT_DOUBLE_EQ(r.bottom, -50.0);
    r = ScaleFromCurves(curves, false);
    EXPECT_DOUBLE_EQ(r.top, -2.0);
    EXPECT_DOUBLE_EQ(r.bottom, -32.0);

    // A curve whose counts differ is left out.
    const DbleVect shortY = Vector({100});
    curves.push_back({0, 0, 0, &x, &shortY});
    EXPECT_DOUBLE_EQ(ScaleFromCurves(curves, false).top, -2.0);

    // A flat curve on an even level still gives a range.
    const DbleVect fx = Vector({100, 1000});
    const DbleVect fy = Vector({-4, -4});
    r = ScaleFromCurves(CurveList{{0, 0, 0, &fx, &fy}}, false);
    EXPECT_DOUBLE_EQ(r.top, -4.0);
    EXPECT_DOUBLE_EQ(r.bottom, -6.0);
    // No curves: the starting values.
    r = ScaleFromCurves(CurveList{}, false);
    EXPECT_DOUBLE_EQ(r.top, -90.0);
    EXPECT_DOUBLE_EQ(r.bottom, 200.0);
}

TEST(WheelZoom, NarrowFrequencyRangePansButKeepsItsWidth) {
    CGraph graph = LaidOut();
    graph.SetRange(1000, 1100, -50, 0);
    // Cursor 150 pixels right of the centre (360, 220): the view moves 37.5.
    const ViewRange v = WheelZoom(graph.GetMap(), {510, 220}, +1);
    EXPECT_NEAR(v.xLow, 1005.9746637666376, 1e-9);
    EXPECT_NEAR(v.xHigh, 1106.5721301433014, 1e-9);
    EXPECT_NEAR(v.xHigh / v.xLow, 1.1, 1e-12);
    // 50 dB is wide enough to zoom: 5 % of 400 pixels off each end.
    EXPECT_DOUBLE_EQ(v.yLow, -47.5);
    EXPECT_DOUBLE_EQ(v.yHigh, -2.5);
}

TEST(WheelZoom, ZoomInAboutTheCentreOutsideTheArea) {
    CGraph graph = LaidOut();
    const ViewRange v = WheelZoom(graph.GetMap(), {5, 5}, +1);
    EXPECT_NEAR(v.xLow, 28.25075089245508, 1e-9);
    EXPECT_NEAR(v.xHigh, 14158.915687682742, 1e-7);
}

TEST(WheelZoom, ZoomingOutNeverLeavesTheLimits) {
    CGraph graph = LaidOut();
    graph.SetRange(30, 300, -20, 150);
    for (int i = 0; i < 60; ++i) {
        const ViewRange v = WheelZoom(graph.GetMap(), {100 + i * 9, 40 + i * 6}, -1);
        ASSERT_GE(v.xLow, 20.0);
        ASSERT_LE(v.xHigh, 20000.0);
        ASSERT_GE(v.yLow, -90.0);
        ASSERT_LE(v.yHigh, 200.0);
        graph.SetRange(v.xLow, v.xHigh, v.yLow, v.yHigh);
    }
    EXPECT_NEAR(graph.GetMap().GetMinX(), 20.0, 1e-9);
    EXPECT_NEAR(graph.GetMap().GetMaxX(), 20000.0, 1e-6);
    EXPECT_DOUBLE_EQ(graph.GetMap().GetMinY(), -90.0);
    EXPECT_DOUBLE_EQ(graph.GetMap().GetMaxY(), 200.0);
}

TEST(WheelZoom, PanningPastALimitIsShiftedBack) {
    CGraph graph = LaidOut();
    graph.SetRange(20, 200, -50, 0);
    // Pulled left, below 20 Hz: shifted back, the decade kept.
    const ViewRange v = WheelZoom(graph.GetMap(), {60, 220}, 0);
    EXPECT_NEAR(v.xLow, 20.0, 1e-9);
    EXPECT_NEAR(v.xHigh, 200.0, 1e-9);
}

}  // namespace
