// The activity bar's model and the row view's arithmetic.
#include "halvane/app/models/RowMetrics.h"
#include "halvane/app/models/StatusBarModel.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <vector>

using namespace halvane::app::models;

namespace {

using namespace halvane;

TEST(StatusBar, RunBouncesBetweenTheEnds) {
    StatusBarModel bar;
    bar.Layout(300, 30);  // 300 / (30 * 2 / 3) = 15 cells, run 7
    EXPECT_EQ(bar.Cells(), 15);
    EXPECT_EQ(bar.Run(), 7);
    EXPECT_EQ(bar.Position(), 0);
    std::vector<int> positions;
    for (int i = 0; i < 20; ++i) {
        bar.Step();
        positions.push_back(bar.Position());
    }
    EXPECT_EQ(positions, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4}));
}

TEST(StatusBar, EachTickRepaintsTheCellsThatChanged) {
    StatusBarModel bar;
    bar.Layout(300, 30);
    std::set<int> lit;
    for (int c = 0; c < bar.Cells(); ++c)
        if (bar.IsLit(c)) lit.insert(c);
    for (int i = 0; i < 40; ++i) {
        bar.Step();
        std::set<int> now;
        for (int c = 0; c < bar.Cells(); ++c)
            if (bar.IsLit(c)) now.insert(c);
        std::set<int> changed;
        for (int c = 0; c < bar.Cells(); ++c)
            if (lit.count(c) != now.count(c)) changed.insert(c);
        const auto [a, b] = bar.ChangedCells();
        EXPECT_EQ(changed, (std::set<int>{a, b})) << "tick " << i;
        lit = now;
    }
}

TEST(StatusBar, CellGeometryAndTinyBars) {
    StatusBarModel bar;
    bar.Layout(300, 30);
    // (300 - 3 * 16) / 15 = 16; offset (300 - 15 * 19 - 3) / 2 = 6
    EXPECT_EQ(bar.CellWidth(0, 300), 16);
    EXPECT_EQ(bar.CellLeft(0, 0, 300), 9);
    EXPECT_EQ(bar.CellLeft(14, 0, 300), 9 + 14 * 19);
    bar.Layout(300, 1);
    EXPECT_EQ(bar.Cells(), 0);
    EXPECT_EQ(bar.CellWidth(0, 300), 0);
    bar.Step();
    bar.Step();
    bar.Layout(0, 0);
    EXPECT_EQ(bar.Cells(), 0);
    bar.SetPosition(-1);
    EXPECT_FALSE(bar.IsLit(0));
}

TEST(RowMetrics, RangesAndScrollSizes) {
    RowMetrics rows(200, 20);
    EXPECT_EQ(rows.RowTop(3), 60);
    EXPECT_EQ(rows.LastViewableRow(), INT_MAX / 20 - 1);
    // Rows touched by 30..70: 1..3; held whole: 2 only.
    auto r = rows.RowRange(30, 70, true, 10);
    EXPECT_EQ(r.first, 1);
    EXPECT_EQ(r.last, 3);
    r = rows.RowRange(30, 70, false, 10);
    EXPECT_EQ(r.first, 2);
    EXPECT_EQ(r.last, 2);
    // Never past the last row.
    EXPECT_EQ(rows.RowRange(0, 1000, true, 4).last, 3);
    EXPECT_EQ(rows.RowRange(0, 1000, true, 0).last, -1);

    auto s = rows.Sizes(10, 110);
    EXPECT_EQ(s.total, (PlotSize{200, 200}));
    EXPECT_EQ(s.page, (PlotSize{40, 80}));  // 20 * (110 / 20 - 1)
    EXPECT_EQ(s.line, (PlotSize{10, 20}));
    EXPECT_EQ(rows.Sizes(10, 25).page.height, 20);  // at least one row
    EXPECT_EQ(rows.Sizes(0, 100).total.height, 0);
    // Rows past the last drawable one: one more row for the notice.
    EXPECT_EQ(rows.Sizes(INT_MAX, 100).total.height, (INT_MAX / 20) * 20);
    EXPECT_EQ(rows.Sizes(INT_MAX / 20 - 1, 100).total.height, (INT_MAX / 20 - 1) * 20);
}

TEST(RowMetrics, ZeroRowHeightCountsAsOne) {
    RowMetrics rows(100, 0);
    EXPECT_EQ(rows.RowHeight(), 1);
    EXPECT_EQ(rows.RowRange(5, 6, true, 100).first, 5);
    EXPECT_EQ(rows.LastViewableRow(), INT_MAX - 1);
}

}  // namespace
