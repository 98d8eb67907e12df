#include "halvane/app/JobProgressBar.h"

#include <algorithm>

namespace halvane::app {

JobProgressBar::JobProgressBar(QWidget* parent) : QProgressBar(parent) { apply(); }

void JobProgressBar::SetJobRange(int low, int high) {
    low_ = low;
    high_ = std::max(high, low + 1);
    position_ = low;
    apply();
}

void JobProgressBar::SetJobPos(int position) {
    position_ = std::clamp(position, low_, high_);
    apply();
}

void JobProgressBar::SetBusy(bool busy) {
    busy_ = busy;
    apply();
}

void JobProgressBar::apply() {
    if (busy_) {
        setRange(0, 0);
        return;
    }
    setRange(low_, high_);
    setValue(position_);
}

}  // namespace halvane::app
