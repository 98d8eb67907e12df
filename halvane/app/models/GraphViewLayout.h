#pragma once

#include "halvane/app/models/PlotGeometry.h"

namespace halvane::app::models {

// How the graph view arranges its panes in a client area: columns and rows
// of panes per screen, the pane size, how many rows of panes there are in
// all, and the scroll sizes. Rows of panes below the screen are reached by
// scrolling vertically; the panes always fill the width.
struct GraphViewLayout {
    int columns = 2;
    int rows = 2;       // rows of panes on one screen
    int paneRows = 0;   // rows of panes in all
    int paneWidth = 0;
    int paneHeight = 0;
    PlotSize total;     // (pane width x columns, pane height x pane rows)
    PlotSize page;      // (pane width x columns, pane height x rows / 4)
    PlotSize line;      // (pane width x columns, pane height / 8)

    // Where the k-th shown pane (k from 0) goes: left to right, then down,
    // moved up by the vertical scroll position.
    PlotPoint PanePosition(int k, int left, int top, int scrollY) const;
};

// The arrangement for a client area of width x height with `shownPanes`
// panes (the channels of the current configuration that hold a measured
// curve). Two columns and two rows per screen unless the area is narrow,
// low, small or tall:
//  - narrower than 600: one column;
//  - lower than two thirds of a column's width, or lower than 600: one row;
//  - narrower than 3/2 of a row's height: one column;
//  - an area below 36000 pixels: one pane per screen; otherwise, still at
//    2 x 2, a width below 80 % of the height: one column.
// The pane rows in all are shownPanes / columns + 0.5, truncated (the one
// division that is not an integer division).
GraphViewLayout LayOutGraphView(int width, int height, int shownPanes);

}  // namespace halvane::app::models
