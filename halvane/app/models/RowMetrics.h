#pragma once

#include "halvane/app/models/PlotGeometry.h"

namespace halvane::app::models {

// The arithmetic of a view of equal-height rows, in pixels of the scrolled
// content. A row height below 1 counts as 1.
class RowMetrics {
public:
    RowMetrics() = default;
    RowMetrics(int rowWidth, int rowHeight) { Set(rowWidth, rowHeight); }
    void Set(int rowWidth, int rowHeight);

    int RowWidth() const { return rowWidth_; }
    int RowHeight() const { return rowHeight_; }

    // row x row height.
    long long RowTop(int row) const { return static_cast<long long>(row) * rowHeight_; }
    // The last row whose top still fits the view's int coordinates.
    int LastViewableRow() const;

    // The rows that the span [top, bottom) touches (inclusive) or holds
    // whole (not inclusive); last is at most rowCount - 1.
    struct Range {
        int first = 0;
        int last = -1;
    };
    Range RowRange(int top, int bottom, bool inclusive, int rowCount) const;

    // Scroll sizes for rowCount rows in a client area clientHeight high:
    // total (row width, rows x row height), where rows past
    // LastViewableRow count as one row (the "Too many Rows" notice); page (row width / 5, whole rows of the client area
    // less one, at least one row); line (row width / 20, one row).
    struct ScrollSizes {
        PlotSize total, page, line;
    };
    ScrollSizes Sizes(int rowCount, int clientHeight) const;

private:
    int rowWidth_ = 0;
    int rowHeight_ = 1;
};

}  // namespace halvane::app::models
