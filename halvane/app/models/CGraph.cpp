#include "halvane/app/models/CGraph.h"

#include "halvane/app/models/AxisTicks.h"
#include "halvane/app/models/GraphScale.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace halvane::app::models {

CGraph::CGraph(int textHeight, int averageCharWidth, bool timeDomain)
    : timeDomain_(timeDomain),
      textHeight_(textHeight),
      averageCharWidth_(averageCharWidth),
      map_(MakeGraphMap(XLog, YDecibel)),
      title_(timeDomain ? "Time Domain" : "Frequency Domain"),
      xTitle_(timeDomain ? "Time (ms)" : "Frequency (Hz)") {
    UpdateMargins();
    SetPlotSize(1, 1);
    if (timeDomain_)
        SetRange(0.0, 0.25, -50.0, 0.0);
    else
        SetRange(GraphLimits::kMinHz, GraphLimits::kMaxHz, -50.0, 0.0);
}

void CGraph::SetTextMetrics(int textHeight, int averageCharWidth) {
    textHeight_ = textHeight;
    averageCharWidth_ = averageCharWidth;
    UpdateMargins();
}

void CGraph::UpdateMargins() {
    leftMargin_ = 10 * averageCharWidth_;
    rightMargin_ = 5 * averageCharWidth_;
    topMargin_ = 2 * textHeight_;
    bottomMargin_ = 3 * textHeight_;
}

void CGraph::SetPlotSize(int width, int height) {
    plotWidth_ = width;
    plotHeight_ = height;
    map_->SetExtent(width, -height);
}

void CGraph::SetPlotOffset(int x, int y) { map_->SetOrigin(x + leftMargin_, y + topMargin_ + plotHeight_); }

PlotSize CGraph::GetTotalSize() const {
    return {plotWidth_ + leftMargin_ + rightMargin_, plotHeight_ + topMargin_ + bottomMargin_};
}

void CGraph::Layout(int clientWidth, int clientHeight) {
    // A control smaller than its margins still gets a plot of one pixel, so
    // no conversion ever divides by a zero extent.
    const int a = std::max(1, clientWidth - leftMargin_ - rightMargin_);
    const int b = std::max(1, clientHeight - topMargin_ - bottomMargin_);
    int w = a, h = std::max(1, a * 2 / 3);
    if (b / 2 < a / 3) {
        w = std::max(1, b * 3 / 2);
        h = b;
    }
    SetPlotSize(w, h);
    SetPlotOffset((a - w) / 4, (b - h) / 4);
}

bool CGraph::SetRange(double x1, double x2, double y1, double y2) {
    if (!std::isfinite(x1) || !std::isfinite(x2) || !std::isfinite(y1) || !std::isfinite(y2)) return false;
    if (x1 == x2 || y1 == y2) return false;
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    map_->SetRanges(x1, x2, y1, y2);
    UpdateXStep();
    UpdateYStep();
    return true;
}

void CGraph::UpdateXStep() { xStep_ = AxisStep(map_->IsLogX(), map_->GetMinX(), map_->GetMaxX()); }
void CGraph::UpdateYStep() { yStep_ = AxisStep(map_->IsLogY(), map_->GetMinY(), map_->GetMaxY()); }

void CGraph::ShowFrequencyDb() {
    if (xKind_ == XLog && yKind_ == YDecibel) return;
    double xLow = map_->GetMinX(), xHigh = map_->GetMaxX();
    double yLow = map_->GetMinY(), yHigh = map_->GetMaxY();
    if (xKind_ != XLog) {
        xLow = std::max(xLow, 1e-40);
        xHigh = std::max(xHigh, 1e-40);
    }
    if (xLow == xHigh) {
        xLow = GraphLimits::kMinHz;
        xHigh = GraphLimits::kMaxHz;
    }
    if (xLow < xHigh / 100000.0) xLow = xHigh / 100000.0;
    if (yKind_ == YLog) {
        yLow = 20.0 * std::log10(yLow);
        yHigh = 20.0 * std::log10(yHigh);
    }
    const PlotPoint origin = map_->GetOrigin();
    const PlotSize extent = map_->GetExtent();
    map_ = MakeGraphMap(XLog, YDecibel);
    map_->SetOrigin(origin.x, origin.y);
    map_->SetExtent(extent.width, extent.height);
    xKind_ = XLog;
    yKind_ = YDecibel;
    if (!SetRange(xLow, xHigh, yLow, yHigh)) SetRange(GraphLimits::kMinHz, GraphLimits::kMaxHz, -50.0, 0.0);
}

int CGraph::ToggleGrid() {
    grid_ = grid_ != 0 ? 0 : 1;
    return grid_;
}

std::string CGraph::FormatX(int px) const {
    const double x = map_->PixelToX(px);
    if (timeDomain_) return FormatFixed2(x * 1000.0) + " ms";
    return FormatFixed2(x) + " Hz";
}

std::string CGraph::FormatY(int py, int unit) const {
    const std::string value = FormatFixed2(map_->PixelToY(py));
    if (phase_) return unit == 1 ? value + " Rad" : value;
    return yKind_ == YDecibel ? value + " dB" : value;
}

}  // namespace halvane::app::models
