#include "halvane/app/CRowView.h"

#include "halvane/diagnostics/HalvaneStrings.h"
#include "platform/StringTable.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>

#include <algorithm>

namespace halvane::app {

CRowView::CRowView(QWidget* parent) : QAbstractScrollArea(parent) {
    diagnostics::RegisterHalvaneStrings();
    setFocusPolicy(Qt::StrongFocus);
}

void CRowView::UpdateRowMetrics() {
    int width = 0, height = 0;
    MeasureRow(width, height);
    metrics_.Set(width, height);
}

void CRowView::UpdateScrollSizes() {
    UpdateRowMetrics();
    const models::RowMetrics::ScrollSizes sizes = metrics_.Sizes(GetRowCount(), viewport()->height());
    QScrollBar* v = verticalScrollBar();
    v->setRange(0, std::max(0, sizes.total.height - viewport()->height()));
    v->setPageStep(sizes.page.height);
    v->setSingleStep(sizes.line.height);
    QScrollBar* h = horizontalScrollBar();
    h->setRange(0, std::max(0, sizes.total.width - viewport()->width()));
    h->setPageStep(std::max(1, sizes.page.width));
    h->setSingleStep(std::max(1, sizes.line.width));
}

QRect CRowView::RowRect(int row) const {
    const long long top = RowTop(row) - verticalScrollBar()->value();
    const long long clamped = std::clamp<long long>(top, -metrics_.RowHeight() - 1, viewport()->height() + 1);
    return QRect(0, static_cast<int>(clamped), viewport()->width(), metrics_.RowHeight());
}

models::RowMetrics::Range CRowView::RowRange(int top, int bottom, bool inclusive) const {
    return metrics_.RowRange(top, bottom, inclusive, GetRowCount());
}

void CRowView::OnUpdate() {
    previousCount_ = GetRowCount();
    previousSelected_ = GetSelectedRow();
    UpdateScrollSizes();
    viewport()->update();
}

void CRowView::SelectedRowChanged(int row) {
    if (GetRowCount() != previousCount_) {
        previousCount_ = GetRowCount();
        UpdateScrollSizes();
    }
    QScrollBar* v = verticalScrollBar();
    const int top = v->value();
    const int clientHeight = viewport()->height();
    const models::RowMetrics::Range visible = RowRange(top, top + clientHeight, false);
    if (row < visible.first)
        v->setValue(static_cast<int>(RowTop(row)));
    else if (row > visible.last)
        v->setValue(static_cast<int>(std::max<long long>(0, RowTop(row + 1) - clientHeight)));
    viewport()->update(RowRect(row));
    if (row != previousSelected_) {
        if (previousSelected_ >= 0) viewport()->update(RowRect(previousSelected_));
        previousSelected_ = row;
    }
}

void CRowView::paintEvent(QPaintEvent* event) {
    const int count = GetRowCount();
    if (count <= 0) return;
    UpdateScrollSizes();
    const int dx = horizontalScrollBar()->value();
    const int dy = verticalScrollBar()->value();
    QPainter painter(viewport());
    painter.translate(-dx, -dy);
    const QRect clip = event->rect().translated(dx, dy);
    const models::RowMetrics::Range rows = RowRange(clip.top(), clip.bottom() + 1, true);
    const int selected = GetSelectedRow();
    for (int row = rows.first; row <= rows.last; ++row) {
        if (row >= LastViewableRow()) {
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawText(QRect(0, static_cast<int>(RowTop(row)), std::max(metrics_.RowWidth(), viewport()->width()),
                                   metrics_.RowHeight()),
                             Qt::AlignLeft | Qt::AlignTop,
                             QString::fromStdString(platform::processStrings().text(diagnostics::ids::TooManyRows)));
            break;
        }
        DrawRow(painter, row, static_cast<int>(RowTop(row)), row == selected);
    }
}

void CRowView::resizeEvent(QResizeEvent* event) {
    UpdateScrollSizes();
    QAbstractScrollArea::resizeEvent(event);
}

void CRowView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_PageUp:
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
        break;
    case Qt::Key_PageDown:
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
        break;
    case Qt::Key_Home:
        SelectRow(0);
        break;
    case Qt::Key_End:
        if (GetRowCount() > 0) SelectRow(GetRowCount() - 1);
        break;
    case Qt::Key_Up:
        StepSelection(false);
        break;
    case Qt::Key_Down:
        StepSelection(true);
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void CRowView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const int y = event->position().toPoint().y() + verticalScrollBar()->value();
    const models::RowMetrics::Range hit = RowRange(y, y + 1, true);
    if (hit.first >= 0 && hit.first < GetRowCount() && hit.first < LastViewableRow()) SelectRow(hit.first);
}

}  // namespace halvane::app
