#include "halvane/app/CGraphCtrl.h"

#include "halvane/app/CGraphCtrlCurves.h"
#include "halvane/app/models/GraphScale.h"

#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include <cstdlib>

namespace halvane::app {

namespace {

// One wheel step is 120 units of the wheel's angle; touchpads send less per
// event, so the remainder is kept for the next one.
constexpr int kWheelStep = 120;

}  // namespace

CGraphCtrl::CGraphCtrl(QWidget* parent) : QWidget(parent) {
    setProperty("windowClass", QString::fromLatin1(kWindowClass));
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    const QFontMetrics metrics(font());
    graph_ = std::make_unique<models::CGraph>(metrics.height(), metrics.averageCharWidth());
    Layout();
}

CGraphCtrl::~CGraphCtrl() = default;

void CGraphCtrl::UpdateTextMetrics() {
    const QFontMetrics metrics(font());
    graph_->SetTextMetrics(metrics.height(), metrics.averageCharWidth());
    Layout();
}

void CGraphCtrl::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) UpdateTextMetrics();
    QWidget::changeEvent(event);
}

QRect CGraphCtrl::PlotRect() const {
    return QRect(graph_->PlotLeft(), graph_->PlotTop(), graph_->PlotWidth(), graph_->PlotHeight());
}

double CGraphCtrl::UnitsToPixels(double units) const { return units * logicalDpiX() / 254.0; }

void CGraphCtrl::Layout() { graph_->Layout(width(), height()); }

void CGraphCtrl::resizeEvent(QResizeEvent* event) {
    Layout();
    QWidget::resizeEvent(event);
}

void CGraphCtrl::AutoScale(bool first) {
    models::LevelRange range{models::GraphLimits::kMaxDb, models::GraphLimits::kMinDb};
    if (owner_ != nullptr) {
        curves_.clear();
        double hint = 0.0;
        if (owner_->GetScaleHint(*this, hint)) {
            range = models::ScaleFromHint(hint);
        } else {
            owner_->GetCurves(*this, curves_);
            range = models::ScaleFromCurves(curves_, first);
        }
    }
    needsAutoScale_ = false;
    graph_->ShowFrequencyDb();
    graph_->SetRange(models::GraphLimits::kMinHz, models::GraphLimits::kMaxHz, range.bottom, range.top);
    Layout();
    update();
}

void CGraphCtrl::ZoomStep(int step, QPoint cursor) {
    const models::ViewRange v = models::WheelZoom(graph_->GetMap(), {cursor.x(), cursor.y()}, step);
    graph_->SetRange(v.xLow, v.xHigh, v.yLow, v.yHigh);
    update();
}

QPoint CGraphCtrl::ClampToPlot(QPoint p) const {
    const models::PlotPoint c = graph_->GetMap().ClampToArea(p.x(), p.y());
    return {c.x, c.y};
}

void CGraphCtrl::Capture() {
    if (captured_) return;
    captured_ = true;
    setFocus(Qt::MouseFocusReason);
    setCursor(Qt::CrossCursor);
    update();
}

void CGraphCtrl::ReleaseCapture() {
    if (!captured_) return;
    captured_ = false;
    if (parentWidget() != nullptr) parentWidget()->setFocus(Qt::OtherFocusReason);
    unsetCursor();
    update();
}

void CGraphCtrl::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (dragging_) {
        if (event->buttons() & Qt::LeftButton) {
            band_ = QRect(anchor_, ClampToPlot(p)).normalized();
            update();
        }
        return;
    }
    if (graph_->GetMap().Contains(p.x(), p.y()))
        Capture();
    else
        ReleaseCapture();
}

void CGraphCtrl::leaveEvent(QEvent* event) {
    if (!dragging_) ReleaseCapture();
    QWidget::leaveEvent(event);
}

void CGraphCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !captured_) {
        QWidget::mousePressEvent(event);
        return;
    }
    anchor_ = ClampToPlot(event->position().toPoint());
    band_ = QRect(anchor_, anchor_);
    dragging_ = true;
    update();
}

void CGraphCtrl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !dragging_) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    dragging_ = false;
    const QPoint end = ClampToPlot(event->position().toPoint());
    const models::PlotValue a = graph_->GetMap().ToValue(models::PlotPoint{anchor_.x(), anchor_.y()});
    const models::PlotValue b = graph_->GetMap().ToValue(models::PlotPoint{end.x(), end.y()});
    if (a.x != b.x || a.y != b.y) graph_->SetRange(a.x, b.x, a.y, b.y);
    band_ = QRect();
    Layout();
    update();
    const QPoint p = event->position().toPoint();
    if (!graph_->GetMap().Contains(p.x(), p.y())) ReleaseCapture();
}

void CGraphCtrl::wheelEvent(QWheelEvent* event) {
    event->accept();
    if (dragging_) return;
    wheelRemainder_ += event->angleDelta().y();
    const int steps = wheelRemainder_ / kWheelStep;
    wheelRemainder_ -= steps * kWheelStep;
    const QPoint cursor = event->position().toPoint();
    for (int i = 0; i < std::abs(steps); ++i) ZoomStep(steps > 0 ? 1 : -1, cursor);
}

void CGraphCtrl::keyPressEvent(QKeyEvent* event) {
    // The centre of the plot area as the zoom arithmetic takes it.
    const QPoint centre(graph_->PlotLeft() + graph_->PlotWidth() / 2, graph_->PlotBottom() - graph_->PlotHeight() / 2);
    switch (event->key()) {
    case Qt::Key_Up:
        ZoomStep(1, centre);
        break;
    case Qt::Key_Down:
        ZoomStep(-1, centre);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

}  // namespace halvane::app
