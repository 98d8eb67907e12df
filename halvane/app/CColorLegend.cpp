#include "halvane/app/CColorLegend.h"

#include "halvane/app/CoreText.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <QScrollBar>

#include <algorithm>

namespace halvane::app {

namespace {

QColor FromColorRef(std::uint32_t c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

}  // namespace

CColorLegend::CColorLegend(QWidget* parent) : CRowView(parent), font_(font()) {
    setObjectName(QStringLiteral("colorLegend"));
    OnUpdate();
}

void CColorLegend::SetDocument(const document::DocumentData* doc) {
    doc_ = doc;
    OnUpdate();
}

void CColorLegend::MeasureRow(int& width, int& height) {
    const QFontMetrics metrics(font_);
    width = metrics.averageCharWidth() * models::ColorLegendModel::kRowWidthChars;
    height = metrics.height();
}

void CColorLegend::DrawRow(QPainter& painter, int row, int y, bool selected) {
    const QFontMetrics metrics(font_);
    const int w = metrics.averageCharWidth();
    const int h = metrics.height();
    const QPalette& pal = palette();
    // The row is filled across the whole visible width, not only the
    // measured row width, so a wide legend shows no seam.
    const int fillWidth = std::max(Metrics().RowWidth(), viewport()->width() + horizontalScrollBar()->value());
    painter.fillRect(QRect(0, y, fillWidth, h), pal.color(selected ? QPalette::Highlight : QPalette::Base));

    const models::ColorLegendModel::RowGeometry g = models::ColorLegendModel::Geometry(row, y, w, h);
    if (models::ColorLegendModel::HasLine(row)) {
        QPen pen(FromColorRef(models::ColorLegendModel::RowColour(doc_, row)));
        pen.setWidth(models::ColorLegendModel::kLinePenWidth);
        pen.setCapStyle(Qt::FlatCap);
        painter.setPen(pen);
        painter.drawLine(g.lineFrom, g.lineY, g.lineTo, g.lineY);
    }
    painter.setFont(font_);
    painter.setPen(pal.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter.drawText(QRect(g.textX, y, std::max(1, fillWidth - g.textX), h), Qt::AlignLeft | Qt::AlignTop,
                     CoreText(models::ColorLegendModel::RowText(row)));
}

void CColorLegend::StepSelection(bool next) {
    if (model_.StepSelection(next)) SelectedRowChanged(model_.Selected());
}

void CColorLegend::SelectRow(int row) {
    if (model_.SelectRow(row)) SelectedRowChanged(model_.Selected());
}

}  // namespace halvane::app
