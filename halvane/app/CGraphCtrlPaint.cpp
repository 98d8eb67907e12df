// How a graph control paints: the focus frame, the plot background, the
// grid with its labels and titles, the curves and the rubber band. The
// drawing works in device pixels with y growing downwards; the few lengths
// given in 0.1 mm (pen widths, frame offsets) are converted at the control's
// resolution.
#include "halvane/app/CGraphCtrl.h"

#include "halvane/app/CGraphCtrlCurves.h"
#include "halvane/app/CoreText.h"
#include "halvane/app/models/AxisTicks.h"
#include "halvane/app/models/CurveDecimator.h"
#include "halvane/signal/CCurve.h"

#include <QPainter>
#include <QPaintEvent>
#include <QPen>
#include <QPolygon>

#include <algorithm>
#include <cmath>

namespace halvane::app {

namespace {

QColor FromColorRef(std::uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

Qt::PenStyle PenStyleOf(int style) {
    switch (style) {
    case 1: return Qt::DashLine;
    case 2: return Qt::DotLine;
    case 3: return Qt::DashDotLine;
    case 4: return Qt::DashDotDotLine;
    case 5: return Qt::NoPen;
    default: return Qt::SolidLine;
    }
}

const QColor kGridGrey(128, 128, 128);

}  // namespace

void CGraphCtrl::paintEvent(QPaintEvent*) {
    if (needsAutoScale_) AutoScale(true);
    QPainter painter(this);
    // The picture is built on white, as the off-screen bitmap was filled.
    painter.fillRect(rect(), Qt::white);
    DrawFocusFrame(painter);

    const double thin = std::max(1.0, std::round(UnitsToPixels(1)));
    const double wide = std::max(1.0, std::round(UnitsToPixels(5)));
    const QPen minor(kGridGrey, thin, Qt::SolidLine, Qt::FlatCap);
    const QPen major(kGridGrey, wide, Qt::SolidLine, Qt::FlatCap);
    painter.setPen(minor);
    painter.setBackgroundMode(Qt::TransparentMode);
    DrawBackgroundAndYAxis(painter, major, minor);
    DrawXAxis(painter, major, minor);
    DrawTitle(painter);

    curves_.clear();
    if (owner_ != nullptr) owner_->GetCurves(*this, curves_);
    for (const models::CurveEntry& entry : curves_) {
        if (entry.x == nullptr || entry.y == nullptr) continue;
        QPen pen(FromColorRef(entry.colour));
        pen.setStyle(PenStyleOf(entry.penStyle));
        pen.setWidthF(std::max(1.0, std::round(UnitsToPixels(entry.penWidth))));
        painter.setPen(pen);
        DrawCurve(painter, *entry.x, *entry.y);
    }

    if (!band_.isNull()) {
        // The rubber band inverts what lies under it.
        painter.setCompositionMode(QPainter::RasterOp_NotDestination);
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(band_);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
}

void CGraphCtrl::DrawCurve(QPainter& painter, const signal::DbleVect& x, const signal::DbleVect& y) const {
    models::DecimateCurve(graph_->GetMap(), x, y, [&painter](const models::PlotPoint* points, int count) {
        QPolygon line(count);
        for (int i = 0; i < count; ++i) line.setPoint(i, points[i].x, points[i].y);
        painter.drawPolyline(line);
    });
}

void CGraphCtrl::DrawComplexCurve(QPainter& painter, const QPen& pen, signal::CCurve& curve, int mode) const {
    if (curve.Count() < 2) return;
    const QPen saved = painter.pen();
    painter.setPen(pen);
    if (mode != 0 && mode != 1)
        curve.ToCartesian();
    else if (graph_->YKindValue() == models::CGraph::YDecibel)
        curve.ToDecibel();
    else
        curve.ToPolar();
    const signal::DbleVect& y = graph_->PhaseShown() ? curve.Values().B() : curve.Values().A();
    DrawCurve(painter, curve.Axis().Values(), y);
    painter.setPen(saved);
}

void CGraphCtrl::DrawFocusFrame(QPainter& painter) const {
    // The plot area and 0.4 mm around it, 0.3 mm more on the right and
    // 0.2 mm more below, in a 0.5 mm pen.
    const int around = static_cast<int>(std::lround(UnitsToPixels(4)));
    const int right = static_cast<int>(std::lround(UnitsToPixels(3)));
    const int below = static_cast<int>(std::lround(UnitsToPixels(2)));
    const QRect plot = PlotRect();
    const QRect frame = plot.adjusted(-around, -around, around + right, around + below);
    painter.setPen(QPen(captured_ ? Qt::black : Qt::white, std::max(1.0, std::round(UnitsToPixels(5))),
                        Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(frame);
}

void CGraphCtrl::DrawTitle(QPainter& painter) const {
    const QString text = windowTitle();
    if (text.isEmpty()) return;
    painter.setPen(Qt::black);
    const int th = graph_->TextHeight();
    painter.drawText(QRect(graph_->PlotLeft(), graph_->PlotTop() - 2 * th, width(), th),
                     Qt::AlignLeft | Qt::AlignTop, text);
}

void CGraphCtrl::DrawBackgroundAndYAxis(QPainter& painter, const QPen& major, const QPen& minor) const {
    painter.fillRect(PlotRect(), FromColorRef(graph_->Background()));
    DrawYAxis(painter, major, minor);
}

void CGraphCtrl::DrawXAxis(QPainter& painter, const QPen& major, const QPen& minor) const {
    const models::CGraphMap& map = graph_->GetMap();
    if (graph_->XKindValue() == models::CGraph::XLog && models::SpansDecade(map.GetMinX(), map.GetMaxX()))
        DrawLogXAxis(painter, major, minor);
    else
        DrawLinearXAxis(painter, major);
}

void CGraphCtrl::DrawXLine(QPainter& painter, int px, bool major, const QString& label) const {
    const int top = graph_->PlotTop(), bottom = graph_->PlotBottom();
    const int th = graph_->TextHeight();
    if (graph_->IsGridOn()) {
        painter.drawLine(px, bottom, px, top);
    } else {
        const int mark = major ? th / 2 : th / 3;
        painter.drawLine(px, bottom, px, bottom - mark);
        painter.drawLine(px, top, px, top + mark);
    }
    if (label.isEmpty()) return;
    const QPen pen = painter.pen();
    painter.setPen(Qt::black);
    const int half = 5 * graph_->AverageCharWidth();
    painter.drawText(QRect(px - half, bottom + th / 2, 2 * half, th), Qt::AlignHCenter | Qt::AlignTop, label);
    painter.setPen(pen);
}

void CGraphCtrl::DrawXFrameAndTitle(QPainter& painter, const QPen& major) const {
    painter.setPen(major);
    const int top = graph_->PlotTop(), bottom = graph_->PlotBottom();
    painter.drawLine(graph_->PlotLeft(), bottom, graph_->PlotLeft(), top);
    painter.drawLine(graph_->PlotRight(), bottom, graph_->PlotRight(), top);
    painter.setPen(Qt::black);
    const int th = graph_->TextHeight();
    painter.drawText(QRect(graph_->PlotLeft(), bottom + 2 * th, graph_->PlotWidth(), th),
                     Qt::AlignHCenter | Qt::AlignTop, CoreText(graph_->XAxisTitle()));
}

void CGraphCtrl::DrawLinearXAxis(QPainter& painter, const QPen& major) const {
    const models::CGraphMap& map = graph_->GetMap();
    // Below a decade a logarithmic axis is drawn with a linear step.
    const double step = map.IsLogX() ? models::NiceStep(map.GetMaxX() - map.GetMinX()) : graph_->XStep();
    painter.setPen(major);
    for (const models::AxisTick& tick : models::LinearXTicks(map.GetMinX(), map.GetMaxX(), step))
        DrawXLine(painter, map.XToPixel(tick.value), true,
                  QString::fromStdString(models::FormatXLabel(tick.value, step, graph_->TimeDomain())));
    DrawXFrameAndTitle(painter, major);
}

void CGraphCtrl::DrawLogXAxis(QPainter& painter, const QPen& major, const QPen& minor) const {
    const models::CGraphMap& map = graph_->GetMap();
    for (const models::AxisTick& tick : models::LogTicks(map.GetMinX(), map.GetMaxX())) {
        painter.setPen(tick.major ? major : minor);
        const QString label =
            tick.major ? QString::fromStdString(models::FormatXLabel(tick.value, 0.0, graph_->TimeDomain())) : QString();
        DrawXLine(painter, map.XToPixel(tick.value), tick.major, label);
    }
    DrawXFrameAndTitle(painter, major);
}

void CGraphCtrl::DrawYLine(QPainter& painter, int py, bool major, const QString& label) const {
    const int left = graph_->PlotLeft(), right = graph_->PlotRight();
    const int th = graph_->TextHeight();
    if (graph_->IsGridOn()) {
        painter.drawLine(left, py, right, py);
    } else {
        const int mark = major ? th / 2 : th / 3;
        painter.drawLine(left, py, left + mark, py);
        painter.drawLine(right, py, right - mark, py);
    }
    if (label.isEmpty()) return;
    const QPen pen = painter.pen();
    painter.setPen(Qt::black);
    const int margin = graph_->LeftMargin();
    painter.drawText(QRect(left - margin, py - th / 2, margin, th), Qt::AlignCenter, label);
    painter.setPen(pen);
}

void CGraphCtrl::DrawYAxis(QPainter& painter, const QPen& major, const QPen& minor) const {
    const models::CGraphMap& map = graph_->GetMap();
    const double low = map.GetMinY(), high = map.GetMaxY();
    painter.setPen(major);
    painter.drawLine(graph_->PlotLeft(), graph_->PlotBottom(), graph_->PlotRight(), graph_->PlotBottom());
    painter.drawLine(graph_->PlotLeft(), graph_->PlotTop(), graph_->PlotRight(), graph_->PlotTop());

    if (map.IsLogY() && models::SpansDecade(low, high)) {
        for (const models::AxisTick& tick : models::LogTicks(low, high)) {
            painter.setPen(tick.major ? major : minor);
            DrawYLine(painter, map.YToPixel(tick.value), tick.major,
                      tick.major ? QString::fromStdString(models::FormatYLabel(tick.value, 0.0)) : QString());
        }
        return;
    }
    const double step = map.IsLogY() ? models::NiceStep(high - low) : graph_->YStep();
    // Finer minor lines when a fifth of a step is taller than half a line
    // of text.
    const double fifthPixels = step / 5.0 * graph_->PlotHeight() / (high - low);
    const int divisions = fifthPixels > graph_->TextHeight() / 2.0 ? 10 : 5;
    for (const models::AxisTick& tick : models::LinearYTicks(low, high, step, divisions)) {
        painter.setPen(tick.major ? major : minor);
        DrawYLine(painter, map.YToPixel(tick.value), tick.major,
                  tick.major ? QString::fromStdString(models::FormatYLabel(tick.value, step)) : QString());
    }
}

}  // namespace halvane::app
