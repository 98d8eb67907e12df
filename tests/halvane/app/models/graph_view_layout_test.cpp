// The graph view's arrangement of panes for a client size: the expected
// values follow the rules by hand (integer divisions throughout, except the
// pane-row count), and each case names the rule it exercises.
#include "halvane/app/models/GraphViewLayout.h"

#include <gtest/gtest.h>

namespace {

using halvane::app::models::GraphViewLayout;
using halvane::app::models::LayOutGraphView;
using halvane::app::models::PlotPoint;
using halvane::app::models::PlotSize;

TEST(GraphViewLayout, AWideHighWindowShowsTwoByTwoPanesAndScrollsTheRest) {
    // 1200 x 800 with 8 curves: 2 x 2 panes of 600 x 400; 8 / 2 + 0.5 = 4
    // rows of panes, 1600 high; a page is 400 x 2 / 4, a line 400 / 8.
    const GraphViewLayout l = LayOutGraphView(1200, 800, 8);
    EXPECT_EQ(l.columns, 2);
    EXPECT_EQ(l.rows, 2);
    EXPECT_EQ(l.paneWidth, 600);
    EXPECT_EQ(l.paneHeight, 400);
    EXPECT_EQ(l.paneRows, 4);
    EXPECT_EQ(l.total, (PlotSize{1200, 1600}));
    EXPECT_EQ(l.page, (PlotSize{1200, 200}));
    EXPECT_EQ(l.line, (PlotSize{1200, 50}));
}

TEST(GraphViewLayout, NarrowLowSmallAndTallWindowsDropColumnsOrRows) {
    // Narrower than 600: one column (599 x 800 keeps its two rows).
    GraphViewLayout l = LayOutGraphView(599, 800, 8);
    EXPECT_EQ(l.columns, 1);
    EXPECT_EQ(l.rows, 2);
    EXPECT_EQ(l.paneRows, 8);  // 8 / 1 + 0.5

    // Lower than 600: one row; 1200 is not below 500 x 3 / 2, so two columns.
    l = LayOutGraphView(1200, 500, 8);
    EXPECT_EQ(l.rows, 1);
    EXPECT_EQ(l.columns, 2);
    EXPECT_EQ(l.paneWidth, 600);
    EXPECT_EQ(l.paneHeight, 500);

    // Lower than two thirds of a column's width: 650 < 1000 x 2 / 3 = 666.
    l = LayOutGraphView(2000, 650, 8);
    EXPECT_EQ(l.rows, 1);
    EXPECT_EQ(l.columns, 2);
    // ... while 700 is not: 2 x 2.
    l = LayOutGraphView(2000, 700, 8);
    EXPECT_EQ(l.rows, 2);
    EXPECT_EQ(l.columns, 2);

    // Narrower than 3/2 of a row's height: 700 < 700 x 3 / 2.
    l = LayOutGraphView(700, 1400, 8);
    EXPECT_EQ(l.columns, 1);
    EXPECT_EQ(l.rows, 2);

    // Below 36000 pixels: one pane per screen (100 x 300 = 30000).
    l = LayOutGraphView(100, 300, 8);
    EXPECT_EQ(l.columns, 1);
    EXPECT_EQ(l.rows, 1);
    EXPECT_EQ(l.paneWidth, 100);
    EXPECT_EQ(l.paneHeight, 300);

    // Still 2 x 2 but the width below 80 % of the height (100000 / 1300 =
    // 76): one column.
    l = LayOutGraphView(1000, 1300, 8);
    EXPECT_EQ(l.columns, 1);
    EXPECT_EQ(l.rows, 2);
    // 80 % exactly keeps two columns (1040 x 100 / 1300 = 80).
    l = LayOutGraphView(1040, 1300, 8);
    EXPECT_EQ(l.columns, 2);
}

TEST(GraphViewLayout, FivePanesInTwoColumnsFillThreeRowsWithTheFifthOnTheLeft) {
    const GraphViewLayout l = LayOutGraphView(1200, 800, 5);
    EXPECT_EQ(l.paneRows, 3);  // 5 / 2 + 0.5 = 3, not the integer 2
    EXPECT_EQ(l.total.height, 1200);
    EXPECT_EQ(l.PanePosition(0, 0, 0, 0), (PlotPoint{0, 0}));
    EXPECT_EQ(l.PanePosition(1, 0, 0, 0), (PlotPoint{600, 0}));
    EXPECT_EQ(l.PanePosition(3, 0, 0, 0), (PlotPoint{600, 400}));
    EXPECT_EQ(l.PanePosition(4, 0, 0, 0), (PlotPoint{0, 800}));
    // Scrolled down by 250 pixels, with the client area's origin at (3, 7).
    EXPECT_EQ(l.PanePosition(4, 3, 7, 250), (PlotPoint{3, 557}));
}

TEST(GraphViewLayout, EmptyAndDegenerateAreasGiveDefinedSizes) {
    GraphViewLayout l = LayOutGraphView(0, 0, 8);
    EXPECT_EQ(l.columns, 1);
    EXPECT_EQ(l.rows, 1);
    EXPECT_EQ(l.paneWidth, 0);
    EXPECT_EQ(l.total, (PlotSize{0, 0}));
    l = LayOutGraphView(-5, 900, 3);
    EXPECT_EQ(l.paneWidth, 0);
    l = LayOutGraphView(1200, 800, 0);
    EXPECT_EQ(l.paneRows, 0);
    EXPECT_EQ(l.total.height, 0);
    EXPECT_EQ(l.page.height, 200);
}

}  // namespace
