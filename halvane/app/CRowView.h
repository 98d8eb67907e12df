#pragma once

#include "halvane/app/models/RowMetrics.h"

#include <QAbstractScrollArea>

class QPainter;

namespace halvane::app {

// A scrolling list of rows of equal height with one selected row: it keeps
// the selection in view and selects with the mouse and the keyboard. A
// derived class measures, counts and draws the rows and owns the selection.
// Rows past the last one that int coordinates can reach are not drawn; the
// first of them shows "Too many Rows" instead.
class CRowView : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit CRowView(QWidget* parent = nullptr);

    // --- Supplied by the derived class -------------------------------------
    virtual void MeasureRow(int& width, int& height) = 0;
    virtual int GetSelectedRow() const = 0;
    virtual int GetRowCount() const = 0;
    // Draws a row whose top is at content y (the painter is in content
    // coordinates: the scroll position is already applied).
    virtual void DrawRow(QPainter& painter, int row, int y, bool selected) = 0;
    virtual void StepSelection(bool next) = 0;
    virtual void SelectRow(int row) = 0;

    // --- Provided ------------------------------------------------------------
    void UpdateRowMetrics();
    void UpdateScrollSizes();
    // A row's rectangle in viewport pixels, across the whole width.
    QRect RowRect(int row) const;
    long long RowTop(int row) const { return metrics_.RowTop(row); }
    models::RowMetrics::Range RowRange(int top, int bottom, bool inclusive) const;
    int LastViewableRow() const { return metrics_.LastViewableRow(); }
    const models::RowMetrics& Metrics() const { return metrics_; }

    // The derived class calls this when its selected row has changed:
    // scrolls it into view and repaints it and the row selected before.
    void SelectedRowChanged(int row);
    // The document changed: new row count and selection, everything redrawn.
    void OnUpdate();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    models::RowMetrics metrics_;
    int previousSelected_ = -1;
    int previousCount_ = 0;
};

}  // namespace halvane::app
