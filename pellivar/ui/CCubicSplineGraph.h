#pragma once

#include "pellivar/CGammaList.h"
#include "pellivar/CPointMap.h"

#include <QColor>
#include <QWidget>

#include <vector>

namespace pellivar::ui {

// The curve editor: up to four curves drawn through their control points,
// one of them active and editable.
//   drag a point up/down; CTRL+drag also sideways;
//   SHIFT + left click adds a point, SHIFT + right click deletes one;
//   the wheel zooms; CTRL+SHIFT + left drag pans the zoomed view.
// It reports the mouse position, list changes (a point added or removed)
// and the end of a point's drag (with its index).
class CCubicSplineGraph final : public QWidget {
    Q_OBJECT
public:
    struct Curve {
        CGammaList* list = nullptr;
        QColor colour;
    };
    enum class Drag { None, Dragging, DraggingSideways, Panning };

    static constexpr int kLeftMargin = 48, kRightMargin = 16, kTopMargin = 26, kBottomMargin = 40;
    static constexpr int kGridDivisions = 15;

    explicit CCubicSplineGraph(QWidget* parent = nullptr);

    void SetPointList(const std::vector<Curve>& curves, int active, double xMin, double xMax, double yMin, double yMax);
    void SetTitle(const QString& title);
    void ZoomIn();
    void ZoomOut();

    const CPointMap& Map() const { return map_; }
    int ActiveCurve() const { return active_; }
    Drag DragState() const { return drag_; }
    QString Title() const { return title_; }
    // The client point of a value (for tests and drawing).
    QPoint ToClient(double x, double y) const;

signals:
    void reportingPosition(const QString& text);
    void listChanged();
    void activePointChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    CGammaList* ActiveList() const;
    void UpdateClient();
    void ToValue(const QPoint& p, double& x, double& y) const;

    std::vector<Curve> curves_;
    int active_ = 0;
    CPointMap map_;
    QString title_;
    Drag drag_ = Drag::None;
    int dragIndex_ = -1;
    QPoint lastMouse_;
};

}  // namespace pellivar::ui
