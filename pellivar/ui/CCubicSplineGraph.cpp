#include "pellivar/ui/CCubicSplineGraph.h"

#include "pellivar/CurveEditRules.h"
#include "pellivar/ui/MessageBoxes.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include <cmath>

namespace pellivar::ui {

CCubicSplineGraph::CCubicSplineGraph(QWidget* parent) : QWidget(parent) {
    setMinimumSize(360, 300);
    setMouseTracking(true);
    map_.SetFullRange(0, CGammaPoint::kFullScale, 0, CGammaPoint::kFullScale);
    UpdateClient();
}

void CCubicSplineGraph::SetPointList(const std::vector<Curve>& curves, int active, double xMin, double xMax, double yMin,
                                     double yMax) {
    curves_ = curves;
    active_ = active >= 0 && active < static_cast<int>(curves_.size()) ? active : 0;
    if (map_.FullXMin() != xMin || map_.FullXMax() != xMax || map_.FullYMin() != yMin || map_.FullYMax() != yMax)
        map_.SetFullRange(xMin, xMax, yMin, yMax);
    drag_ = Drag::None;
    dragIndex_ = -1;
    update();
}

void CCubicSplineGraph::SetTitle(const QString& title) {
    title_ = title;
    update();
}

void CCubicSplineGraph::ZoomIn() {
    map_.ZoomIn();
    update();
}

void CCubicSplineGraph::ZoomOut() {
    map_.ZoomOut();
    update();
}

CGammaList* CCubicSplineGraph::ActiveList() const {
    if (active_ < 0 || active_ >= static_cast<int>(curves_.size())) return nullptr;
    return curves_[static_cast<std::size_t>(active_)].list;
}

void CCubicSplineGraph::UpdateClient() {
    map_.SetClient(kLeftMargin, kTopMargin, std::max(kLeftMargin + 1, width() - kRightMargin),
                   std::max(kTopMargin + 1, height() - kBottomMargin));
}

void CCubicSplineGraph::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    UpdateClient();
}

QPoint CCubicSplineGraph::ToClient(double x, double y) const {
    const ClientPoint p = map_.ToClient(x, y);
    return {p.x, p.y};
}

void CCubicSplineGraph::ToValue(const QPoint& p, double& x, double& y) const { map_.ToValue({p.x(), p.y()}, x, y); }

// Qt paints widgets through a back buffer, so a drag does not flicker.
void CCubicSplineGraph::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().button());
    const QRect plot(QPoint(kLeftMargin, kTopMargin), QPoint(width() - kRightMargin, height() - kBottomMargin));
    painter.fillRect(plot, Qt::white);
    painter.setPen(QPen(palette().dark(), 1));
    painter.drawRect(plot.adjusted(-1, -1, 0, 0));

    painter.setPen(Qt::black);
    painter.drawText(QRect(0, 2, width(), kTopMargin - 4), Qt::AlignCenter, title_);

    // Grid at fifteenths of the window, labels at tenths of the full range.
    painter.setPen(QPen(QColor(225, 225, 225), 1));
    for (int i = 1; i < kGridDivisions; ++i) {
        const int x = plot.left() + plot.width() * i / kGridDivisions;
        const int y = plot.top() + plot.height() * i / kGridDivisions;
        painter.drawLine(x, plot.top(), x, plot.bottom());
        painter.drawLine(plot.left(), y, plot.right(), y);
    }
    painter.setPen(Qt::black);
    const QFontMetrics fm(font());
    const double fullX = map_.FullXMax() - map_.FullXMin();
    const double fullY = map_.FullYMax() - map_.FullYMin();
    for (int i = 0; i <= 10; ++i) {
        const int vy = static_cast<int>(std::lround(map_.FullYMin() + fullY * i / 10));
        if (vy >= map_.YMin() && vy <= map_.YMax()) {
            const QPoint p = ToClient(map_.XMin(), vy);
            painter.drawText(QRect(0, p.y() - fm.height() / 2, kLeftMargin - 4, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
                             QString::number(vy));
        }
        const int vx = static_cast<int>(std::lround(map_.FullXMin() + fullX * i / 10));
        if (vx >= map_.XMin() && vx <= map_.XMax()) {
            const QPoint p = ToClient(vx, map_.YMin());
            const int row = i % 2;
            painter.drawText(QRect(p.x() - 30, plot.bottom() + 2 + row * fm.height(), 60, fm.height()), Qt::AlignCenter,
                             QString::number(vx));
        }
    }

    painter.setClipRect(plot.adjusted(-4, -4, 4, 4));
    painter.setRenderHint(QPainter::Antialiasing, true);
    auto drawCurve = [&](const Curve& c, int width) {
        if (c.list == nullptr) return;
        const auto points = c.list->ComputeCurve(map_);
        if (points.size() < 2) return;
        QPolygon poly;
        for (const ClientPoint& p : points) poly << QPoint(p.x, p.y);
        painter.setPen(QPen(c.colour, width));
        painter.drawPolyline(poly);
    };
    for (int i = 0; i < static_cast<int>(curves_.size()); ++i)
        if (i != active_) drawCurve(curves_[static_cast<std::size_t>(i)], 1);
    if (CGammaList* list = ActiveList()) {
        drawCurve(curves_[static_cast<std::size_t>(active_)], 2);
        const int selected = list->GetActiveIndex();
        for (int i = 0; i < list->GetCount(); ++i) {
            const CGammaPoint* p = list->GetAt(i);
            if (!map_.Contains(p->x, p->y)) continue;
            const QPoint c = ToClient(p->x, p->y);
            if (i == selected) {
                painter.setPen(QPen(Qt::black, 1));
                painter.setBrush(Qt::yellow);
                painter.drawEllipse(c, 5, 5);
            } else {
                painter.setPen(QPen(curves_[static_cast<std::size_t>(active_)].colour, 1));
                painter.setBrush(Qt::white);
                painter.drawRect(c.x() - 3, c.y() - 3, 6, 6);
            }
        }
    }
}

void CCubicSplineGraph::mousePressEvent(QMouseEvent* event) {
    CGammaList* list = ActiveList();
    if (list == nullptr) return;
    double x = 0, y = 0;
    ToValue(event->pos(), x, y);
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool shift = mods & Qt::ShiftModifier;
    const bool ctrl = mods & Qt::ControlModifier;
    const double reach = (map_.XMax() - map_.XMin()) / 10;
    lastMouse_ = event->pos();

    if (event->button() == Qt::LeftButton && shift && ctrl) {
        drag_ = Drag::Panning;
        return;
    }
    if (event->button() == Qt::LeftButton && shift) {
        int inserted = -1;
        const auto edit = CurveEditRules::AddNear(*list, x, y, reach, inserted);
        if (edit == CurveEditRules::Edit::Done) {
            update();
            emit listChanged();
        } else if (edit == CurveEditRules::Edit::Full) {
            ShowErrorBox(CurveEditRules::RefusalText(edit, *list));
        }
        return;
    }
    if (event->button() == Qt::RightButton && shift) {
        const auto edit = CurveEditRules::DeleteNear(*list, x, y);
        if (edit == CurveEditRules::Edit::Done) {
            update();
            emit listChanged();
        } else if (edit == CurveEditRules::Edit::AtMinimum || edit == CurveEditRules::Edit::Endpoint) {
            ShowErrorBox(CurveEditRules::RefusalText(edit, *list));
        }
        return;
    }
    if (event->button() == Qt::LeftButton) {
        CGammaPoint* nearest = list->FindNearest(x, y, reach);
        if (nearest == nullptr) return;
        list->SetActive(nearest);
        dragIndex_ = list->IndexOf(nearest);
        drag_ = ctrl ? Drag::DraggingSideways : Drag::Dragging;
        CurveEditRules::DragTo(*list, dragIndex_, x, y, drag_ == Drag::DraggingSideways, map_.YMin(), map_.YMax());
        const CGammaPoint* p = list->GetAt(dragIndex_);
        emit reportingPosition(QString("Selected Point At %1, %2").arg(p->x).arg(p->y));
        update();
    }
}

void CCubicSplineGraph::mouseMoveEvent(QMouseEvent* event) {
    double x = 0, y = 0;
    ToValue(event->pos(), x, y);
    CGammaList* list = ActiveList();
    if (drag_ == Drag::Panning) {
        double lx = 0, ly = 0;
        ToValue(lastMouse_, lx, ly);
        // The window moves against the mouse, so the curve follows it.
        map_.Pan(lx - x, ly - y);
        lastMouse_ = event->pos();
        update();
        return;
    }
    lastMouse_ = event->pos();
    if ((drag_ == Drag::Dragging || drag_ == Drag::DraggingSideways) && list != nullptr) {
        CurveEditRules::DragTo(*list, dragIndex_, x, y, drag_ == Drag::DraggingSideways, map_.YMin(), map_.YMax());
        if (const CGammaPoint* p = list->GetAt(dragIndex_))
            emit reportingPosition(QString("Selected Point At %1, %2").arg(p->x).arg(p->y));
        update();
        return;
    }
    emit reportingPosition(QString("Mouse At %1, %2").arg(static_cast<int>(std::lround(x))).arg(static_cast<int>(std::lround(y))));
}

void CCubicSplineGraph::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const bool moved = drag_ == Drag::Dragging || drag_ == Drag::DraggingSideways;
    const int index = dragIndex_;
    drag_ = Drag::None;
    dragIndex_ = -1;
    if (CGammaList* list = ActiveList()) list->SetActive(nullptr);
    update();
    if (moved && index >= 0) emit activePointChanged(index);
}

void CCubicSplineGraph::wheelEvent(QWheelEvent* event) {
    if (event->angleDelta().y() > 0) ZoomIn();
    else if (event->angleDelta().y() < 0) ZoomOut();
    event->accept();
}

}  // namespace pellivar::ui
