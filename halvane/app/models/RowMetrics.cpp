#include "halvane/app/models/RowMetrics.h"

#include <algorithm>
#include <climits>

namespace halvane::app::models {

void RowMetrics::Set(int rowWidth, int rowHeight) {
    rowWidth_ = std::max(0, rowWidth);
    rowHeight_ = std::max(1, rowHeight);
}

int RowMetrics::LastViewableRow() const { return INT_MAX / rowHeight_ - 1; }

RowMetrics::Range RowMetrics::RowRange(int top, int bottom, bool inclusive, int rowCount) const {
    const int r = inclusive ? 0 : rowHeight_ - 1;
    Range range;
    range.first = static_cast<int>((static_cast<long long>(top) + r) / rowHeight_);
    range.last = std::min(static_cast<int>((static_cast<long long>(bottom) - r) / rowHeight_), rowCount - 1);
    return range;
}

RowMetrics::ScrollSizes RowMetrics::Sizes(int rowCount, int clientHeight) const {
    // Past the last drawable row one more row is kept, for the notice that
    // there are too many rows.
    const int last = LastViewableRow();
    const int rows = rowCount > last ? last + 1 : std::max(0, rowCount);
    const int page = std::max(rowHeight_, rowHeight_ * (clientHeight / rowHeight_ - 1));
    ScrollSizes sizes;
    sizes.total = {rowWidth_, rows * rowHeight_};
    sizes.page = {rowWidth_ / 5, page};
    sizes.line = {rowWidth_ / 20, rowHeight_};
    return sizes;
}

}  // namespace halvane::app::models
