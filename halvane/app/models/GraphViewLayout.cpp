#include "halvane/app/models/GraphViewLayout.h"

#include <algorithm>

namespace halvane::app::models {

PlotPoint GraphViewLayout::PanePosition(int k, int left, int top, int scrollY) const {
    const int c = std::max(1, columns);
    return {left + paneWidth * (k % c), top + paneHeight * (k / c) - scrollY};
}

GraphViewLayout LayOutGraphView(int width, int height, int shownPanes) {
    GraphViewLayout l;
    const int w = std::max(0, width);
    const int h = std::max(0, height);
    l.columns = 2;
    l.rows = 2;
    if (w < 600) l.columns = 1;
    if (h < (w / l.columns) * 2 / 3) l.rows = 1;
    if (h < 600) l.rows = 1;
    if (w < (h / l.rows) * 3 / 2) l.columns = 1;
    // The area test comes first, so the ratio below never divides by a zero
    // height.
    if (static_cast<long long>(w) * h < 36000) {
        l.rows = 1;
        l.columns = 1;
    } else if (l.rows == 2 && l.columns == 2 && static_cast<long long>(w) * 100 / h < 80) {
        l.columns = 1;
    }
    l.paneRows = static_cast<int>(static_cast<double>(std::max(0, shownPanes)) / l.columns + 0.5);
    l.paneWidth = w / l.columns;
    l.paneHeight = h / l.rows;
    const int across = l.paneWidth * l.columns;
    l.total = {across, l.paneHeight * l.paneRows};
    l.page = {across, l.paneHeight * l.rows / 4};
    l.line = {across, l.paneHeight / 8};
    return l;
}

}  // namespace halvane::app::models
