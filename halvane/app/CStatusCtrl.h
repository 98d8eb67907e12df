#pragma once

#include "halvane/app/models/StatusBarModel.h"

#include <QTimer>
#include <QWidget>

namespace halvane::app {

// The activity bar: a row of rounded cells in a sunken edge, in which a lit
// run moves back and forth every 750 ms while a job of unknown length runs.
// Each tick repaints only the two cells that changed.
class CStatusCtrl : public QWidget {
    Q_OBJECT

public:
    static constexpr const char* kWindowClass = "TessikStatusControl";

    explicit CStatusCtrl(QWidget* parent = nullptr);

    const models::StatusBarModel& Model() const { return model_; }
    // The client rectangle of cell i (empty when the bar has no room for
    // cells).
    QRect CellRect(int i) const;
    // One timer tick: the run moves a cell.
    void Tick();
    // Shows no cells (position -1) or the run again from cell 0.
    void SetRunning(bool running);
    QTimer& Timer() { return timer_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    models::StatusBarModel model_;
    QTimer timer_;
};

}  // namespace halvane::app
