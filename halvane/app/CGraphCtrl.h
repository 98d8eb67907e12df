#pragma once

#include "halvane/app/models/CGraph.h"
#include "halvane/app/models/CurveEntry.h"

#include <QPoint>
#include <QRect>
#include <QWidget>

#include <memory>

namespace halvane::signal {
class CCurve;
}
class QPainter;
class QPen;

namespace halvane::app {

class CGraphCtrlCurves;

// A graph of frequency responses: axes, grid and labels around a plot area
// of 3 to 2, and the curves of its owner drawn through the axis map. The
// user zooms with a dragged rectangle, the wheel or the Up and Down keys;
// the owner calls AutoScale. While the mouse is over the plot area the
// control holds the keyboard focus, shows a crosshair and frames the area
// in black ("captured"); leaving the area hands the focus back.
class CGraphCtrl : public QWidget {
    Q_OBJECT

public:
    static constexpr const char* kWindowClass = "MFCGraphCtrl";

    explicit CGraphCtrl(QWidget* parent = nullptr);
    ~CGraphCtrl() override;

    // The curve owner (not owned); null until the owner sets it.
    void SetCurveOwner(CGraphCtrlCurves* owner) { owner_ = owner; }
    CGraphCtrlCurves* CurveOwner() const { return owner_; }

    models::CGraph& Graph() { return *graph_; }
    const models::CGraph& Graph() const { return *graph_; }
    const models::CurveList& Curves() const { return curves_; }

    // The level range from the owner's hint or curves over 20 Hz to 20 kHz
    // (see ScaleFromHint and ScaleFromCurves), then the layout.
    void AutoScale(bool first);
    bool NeedsAutoScale() const { return needsAutoScale_; }
    // Fits the plot into the control.
    void Layout();
    // One zoom step (+1 in, -1 out) pulled towards a point of the control.
    void ZoomStep(int step, QPoint cursor);

    bool IsCaptured() const { return captured_; }
    bool IsDragging() const { return dragging_; }
    QRect RubberBand() const { return band_; }
    // The plot area in the control's pixels.
    QRect PlotRect() const;
    // 0.1 mm in pixels at the control's resolution.
    double UnitsToPixels(double units) const;

    // Draws a curve's first component (second with the phase shown) over
    // its axis: mode 0 or 1 shows dB and phase on a decibel axis, otherwise
    // magnitude and phase; any other mode real and imaginary parts. The
    // curve is converted in place.
    void DrawComplexCurve(QPainter& painter, const QPen& pen, signal::CCurve& curve, int mode) const;
    // Draws x against y with the decimation of the graph.
    void DrawCurve(QPainter& painter, const signal::DbleVect& x, const signal::DbleVect& y) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void Capture();
    void ReleaseCapture();
    QPoint ClampToPlot(QPoint p) const;
    void UpdateTextMetrics();

    void DrawFocusFrame(QPainter& painter) const;
    void DrawBackgroundAndYAxis(QPainter& painter, const QPen& major, const QPen& minor) const;
    void DrawXAxis(QPainter& painter, const QPen& major, const QPen& minor) const;
    void DrawTitle(QPainter& painter) const;
    void DrawLinearXAxis(QPainter& painter, const QPen& major) const;
    void DrawLogXAxis(QPainter& painter, const QPen& major, const QPen& minor) const;
    void DrawYAxis(QPainter& painter, const QPen& major, const QPen& minor) const;
    void DrawXFrameAndTitle(QPainter& painter, const QPen& major) const;
    void DrawXLine(QPainter& painter, int px, bool major, const QString& label) const;
    void DrawYLine(QPainter& painter, int py, bool major, const QString& label) const;

    CGraphCtrlCurves* owner_ = nullptr;
    models::CurveList curves_;
    QRect band_;
    QPoint anchor_;
    bool dragging_ = false;
    std::unique_ptr<models::CGraph> graph_;
    bool needsAutoScale_ = true;
    bool captured_ = false;
    int wheelRemainder_ = 0;
};

}  // namespace halvane::app
