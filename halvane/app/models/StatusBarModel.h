#pragma once

#include <utility>

namespace halvane::app::models {

// The activity bar's state: a row of cells in which a lit run moves back
// and forth, one cell per timer tick, while a job of unknown length runs.
class StatusBarModel {
public:
    static constexpr unsigned kOffColour = 0x00FFEBEB;  // red 235, green 235, blue 255
    static constexpr unsigned kOnColour = 0x00FF8000;   // red 0, green 128, blue 255
    static constexpr int kGap = 3;
    static constexpr int kPeriodMs = 750;

    // Cells for a bar of width x height: trunc(width / (height * 2 / 3)),
    // lit run half of them, position 0. A bar too low for a cell (height
    // below 2) gets no cells.
    void Layout(int width, int height);

    // One tick: the run moves one cell and turns at either end.
    void Step();

    int Cells() const { return cells_; }
    int Run() const { return run_; }
    int Position() const { return position_; }
    int Direction() const { return direction_; }
    void SetPosition(int position) { position_ = position; }
    void SetDirection(int direction) { direction_ = direction < 0 ? -1 : 1; }
    bool IsLit(int cell) const { return position_ != -1 && position_ <= cell && cell < position_ + run_; }

    // The two cells the last tick changed: the one that left the run and
    // the one that entered it (position + k and position + run + k, with
    // k = -1 after a step to the right or at the right end, else 0).
    std::pair<int, int> ChangedCells() const;

    // The horizontal geometry of the cells in a client area from `left` to
    // `right`: cell i spans [CellLeft(i), CellLeft(i) + width). No geometry
    // (width 0) without cells or when they do not fit.
    int CellWidth(int left, int right) const;
    int CellLeft(int i, int left, int right) const;

private:
    int cells_ = 30;
    int run_ = 5;
    int position_ = 0;
    int direction_ = 1;
};

}  // namespace halvane::app::models
