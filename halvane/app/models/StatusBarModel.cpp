#include "halvane/app/models/StatusBarModel.h"

namespace halvane::app::models {

void StatusBarModel::Layout(int width, int height) {
    const int cellWidth = height * 2 / 3;
    cells_ = cellWidth > 0 && width > 0 ? width / cellWidth : 0;
    run_ = static_cast<int>(cells_ * 0.5);
    position_ = 0;
}

void StatusBarModel::Step() {
    position_ += direction_;
    if (position_ >= cells_ - run_) direction_ = -direction_;
    if (position_ <= 0) direction_ = -direction_;
}

std::pair<int, int> StatusBarModel::ChangedCells() const {
    const int k = (direction_ == 1 && position_ != 0) || (direction_ == -1 && position_ == cells_ - run_) ? -1 : 0;
    return {position_ + k, position_ + run_ + k};
}

int StatusBarModel::CellWidth(int left, int right) const {
    if (cells_ <= 0) return 0;
    const int w = (right - kGap * (cells_ + 1) - left) / cells_;
    return w > 0 ? w : 0;
}

int StatusBarModel::CellLeft(int i, int left, int right) const {
    const int w = CellWidth(left, right);
    const int offset = (right - cells_ * (kGap + w) - kGap - left) / 2;
    return left + kGap + i * (w + kGap) + offset;
}

}  // namespace halvane::app::models
