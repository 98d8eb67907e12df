#pragma once

#include "halvane/app/models/CGraphMap.h"

#include <memory>
#include <string>

namespace halvane::app::models {

// The axes, margins and grid of one graph control, in device pixels with y
// growing downwards: the map's origin is the bottom-left corner of the plot
// area and its extent height is negative. A new graph shows 20 Hz to 20 kHz
// on a logarithmic x axis and -50 to 0 dB. The control draws it; all the
// arithmetic is here.
class CGraph {
public:
    enum XKind : int { XLinear = 0, XLog = 1 };
    enum YKind : int { YLinear = 0, YLog = 1, YDecibel = 2 };

    static constexpr unsigned kBackground = 0x00F5FFFF;  // red 255, green 255, blue 245

    // The margins come from the control's text metrics: 10 average character
    // widths left, 5 right, 2 text heights above, 3 below.
    CGraph(int textHeight, int averageCharWidth, bool timeDomain = false);

    void SetTextMetrics(int textHeight, int averageCharWidth);
    int TextHeight() const { return textHeight_; }
    int AverageCharWidth() const { return averageCharWidth_; }
    int LeftMargin() const { return leftMargin_; }
    int RightMargin() const { return rightMargin_; }
    int TopMargin() const { return topMargin_; }
    int BottomMargin() const { return bottomMargin_; }

    // The plot's size, given to the map as its extent (height turned over).
    void SetPlotSize(int width, int height);
    int PlotWidth() const { return plotWidth_; }
    int PlotHeight() const { return plotHeight_; }
    // Places the plot area with its margins' top-left corner at (x, y).
    void SetPlotOffset(int x, int y);
    // Plot size plus the margins.
    PlotSize GetTotalSize() const;
    // Fits the plot into a client area of width x height: the space the
    // margins leave (at least 1 by 1), cut to a width to height ratio of 3
    // to 2 and moved in by a quarter of what the cut left over.
    void Layout(int clientWidth, int clientHeight);

    // The plot area's edges in pixels.
    int PlotLeft() const { return map_->GetOrigin().x; }
    int PlotRight() const { return map_->GetOrigin().x + plotWidth_; }
    int PlotBottom() const { return map_->GetOrigin().y; }
    int PlotTop() const { return map_->GetOrigin().y - plotHeight_; }

    // Orders each pair; changes nothing (and answers false) when a pair is
    // equal or a value is not a finite number. Then the grid steps follow.
    bool SetRange(double x1, double x2, double y1, double y2);
    bool SetRangeCorners(double x1, double y1, double x2, double y2) { return SetRange(x1, x2, y1, y2); }
    CGraphMap& GetMap() { return *map_; }
    const CGraphMap& GetMap() const { return *map_; }
    double XStep() const { return xStep_; }
    double YStep() const { return yStep_; }
    void UpdateXStep();
    void UpdateYStep();

    // Makes the axes logarithmic frequency and decibels unless they are
    // already, converting the current ranges.
    void ShowFrequencyDb();

    int ToggleGrid();
    bool IsGridOn() const { return grid_ != 0; }
    int XKindValue() const { return xKind_; }
    int YKindValue() const { return yKind_; }
    bool TimeDomain() const { return timeDomain_; }
    bool PhaseShown() const { return phase_; }
    void SetPhaseShown(bool on) { phase_ = on; }
    const std::string& Title() const { return title_; }
    const std::string& XAxisTitle() const { return xTitle_; }
    unsigned Background() const { return background_; }

    // The readouts of a pixel: "%.2lf Hz" (time domain "%.2lf ms"), and
    // "%.2lf dB", "%.2lf Rad" (with the phase shown and unit 1) or "%.2lf".
    std::string FormatX(int px) const;
    std::string FormatY(int py, int unit) const;

private:
    void UpdateMargins();

    unsigned background_ = kBackground;
    bool timeDomain_ = false;
    int textHeight_ = 0;
    int averageCharWidth_ = 0;
    int leftMargin_ = 0;
    int bottomMargin_ = 0;
    int rightMargin_ = 0;
    int topMargin_ = 0;
    int plotWidth_ = 1;
    int plotHeight_ = 1;
    std::unique_ptr<CGraphMap> map_;
    double xStep_ = 0.0;
    double yStep_ = 0.0;
    std::string title_;
    int grid_ = 1;
    int xKind_ = XLog;
    int yKind_ = YDecibel;
    std::string xTitle_;
    bool phase_ = false;
};

}  // namespace halvane::app::models
