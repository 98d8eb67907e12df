#include "halvane/procedures/quickmeasure/QuickMeasureSampleQueue.h"

#include <algorithm>

namespace halvane::procedures {

int QuickMeasureSampleQueue::Append(std::shared_ptr<const double[]> samples, int count) {
    std::lock_guard lock(mutex_);
    if (samples && count > 0) {
        pending_.push_back(Block{std::move(samples), 0, count});
        total_ += count;
    }
    return total_;
}

bool QuickMeasureSampleQueue::TakeWindow(std::vector<double>& window) {
    std::lock_guard lock(mutex_);
    if (total_ < kWindow) return false;
    window.resize(kWindow);
    int filled = 0;
    while (filled < kWindow) {
        Block& b = pending_.front();
        const int n = std::min(b.count, kWindow - filled);
        std::copy_n(b.samples.get() + b.offset, n, window.data() + filled);
        filled += n;
        // The block that crosses the window's end keeps its remainder.
        if (n == b.count) {
            pending_.pop_front();
        } else {
            b.offset += n;
            b.count -= n;
        }
    }
    total_ -= kWindow;
    // The window's second half is the first half of the next analysis. The
    // copy is the queue's own: the recorder's blocks are never written.
    std::shared_ptr<double[]> half(new double[kHop]);
    std::copy_n(window.data() + (kWindow - kHop), kHop, half.get());
    pending_.push_front(Block{std::move(half), 0, kHop});
    total_ += kHop;
    return true;
}

void QuickMeasureSampleQueue::Clear() {
    std::lock_guard lock(mutex_);
    pending_.clear();
    total_ = 0;
}

int QuickMeasureSampleQueue::Pending() const {
    std::lock_guard lock(mutex_);
    return total_;
}

std::size_t QuickMeasureSampleQueue::PendingBlocks() const {
    std::lock_guard lock(mutex_);
    return pending_.size();
}

}  // namespace halvane::procedures
