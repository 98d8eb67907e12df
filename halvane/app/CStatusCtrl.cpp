#include "halvane/app/CStatusCtrl.h"

#include <QPainter>
#include <QPaintEvent>
#include <qdrawutil.h>

namespace halvane::app {

namespace {

QColor FromColorRef(unsigned c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

}  // namespace

CStatusCtrl::CStatusCtrl(QWidget* parent) : QWidget(parent) {
    setProperty("windowClass", QString::fromLatin1(kWindowClass));
    setAttribute(Qt::WA_OpaquePaintEvent);
    model_.Layout(width(), height());
    timer_.setInterval(models::StatusBarModel::kPeriodMs);
    connect(&timer_, &QTimer::timeout, this, &CStatusCtrl::Tick);
    timer_.start();
}

QRect CStatusCtrl::CellRect(int i) const {
    const int w = model_.CellWidth(0, width());
    if (w <= 0 || i < 0 || i >= model_.Cells()) return QRect();
    const int gap = models::StatusBarModel::kGap;
    const int top = gap, bottom = height() - gap;
    if (bottom <= top) return QRect();
    return QRect(model_.CellLeft(i, 0, width()), top, w, bottom - top);
}

void CStatusCtrl::Tick() {
    if (model_.Position() == -1) return;
    model_.Step();
    const auto [left, entered] = model_.ChangedCells();
    // The pen reaches half a pixel past a cell's edge.
    update(CellRect(left).adjusted(-1, -1, 1, 1));
    update(CellRect(entered).adjusted(-1, -1, 1, 1));
}

void CStatusCtrl::SetRunning(bool running) {
    model_.SetPosition(running ? 0 : -1);
    model_.SetDirection(1);
    update();
}

void CStatusCtrl::resizeEvent(QResizeEvent* event) {
    const bool stopped = model_.Position() == -1;
    model_.Layout(width(), height());
    if (stopped) model_.SetPosition(-1);
    update();
    QWidget::resizeEvent(event);
}

void CStatusCtrl::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setClipRegion(event->region());
    painter.fillRect(rect(), FromColorRef(models::StatusBarModel::kOffColour));
    painter.setRenderHint(QPainter::Antialiasing, false);
    const double radius = models::StatusBarModel::kGap / 2.0;
    if (model_.Position() != -1) {
        for (int i = 0; i < model_.Cells(); ++i) {
            const QRect cell = CellRect(i);
            if (cell.isEmpty() || !event->region().intersects(cell.adjusted(-1, -1, 1, 1))) continue;
            const QColor colour = FromColorRef(model_.IsLit(i) ? models::StatusBarModel::kOnColour : models::StatusBarModel::kOffColour);
            painter.setPen(colour);
            painter.setBrush(colour);
            painter.drawRoundedRect(cell, radius, radius);
        }
    }
    qDrawWinPanel(&painter, rect(), palette(), true, nullptr);
}

}  // namespace halvane::app
