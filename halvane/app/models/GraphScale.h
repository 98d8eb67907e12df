#pragma once

#include "halvane/app/models/CGraphMap.h"
#include "halvane/app/models/CurveEntry.h"

namespace halvane::app::models {

// The frequencies and levels a graph of frequency responses can show, and
// the band its automatic scale looks at.
struct GraphLimits {
    static constexpr double kMinHz = 20.0;
    static constexpr double kMaxHz = 20000.0;
    static constexpr double kMinDb = -90.0;
    static constexpr double kMaxDb = 200.0;
};

// A level range of the y axis.
struct LevelRange {
    double bottom = 0.0;
    double top = 0.0;
};

// The automatic level range for a hinted top level L:
// 5 ceil((L + 10) / 5) down to 5 floor((L - 40) / 5).
LevelRange ScaleFromHint(double level);

// The automatic level range for the curves' points from 20 Hz to 20 kHz
// (points that are not finite numbers, and curves whose x and y counts
// differ, are left out). It starts at top -90 and bottom 200, which raise
// to the curves' highest and lowest levels. With `first` the top is rounded
// up to 10 dB and the range is 50 dB; otherwise the top rounds up and the
// bottom down to an even level. A range that would be empty (a flat curve
// on an even level) is opened 2 dB downwards.
LevelRange ScaleFromCurves(const CurveList& curves, bool first);

// One wheel step (or Up and Down key) over the plot: the view is pulled a
// quarter of the cursor's offset from the centre of the area (the centre
// itself when the cursor is outside), then a positive step zooms in by 5 %
// of the pixel span on each side (x only while wider than 10^2.5 Hz, y only
// while wider than 5 dB) and a negative step zooms out by 5 %. The result is
// shifted back inside 20 Hz to 20 kHz and -90 to 200 dB and clamped there.
struct ViewRange {
    double xLow = 0.0;
    double xHigh = 0.0;
    double yLow = 0.0;
    double yHigh = 0.0;
};
ViewRange WheelZoom(const CGraphMap& map, PlotPoint cursor, int step);

}  // namespace halvane::app::models
