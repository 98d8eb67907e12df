#pragma once

namespace halvane {

// What a job's progress bar shows. A job reports counted work as a range and
// a position; between such phases it waits on the processor (switching on,
// letting it settle, switching off) for up to a minute with nothing to count.
// So a range shows as a bar; a new status text while no range runs, or an
// abort, turns the bar busy (an animation, so the window never looks
// stalled), and the next range ends that.
//
// User-interface thread only. `View` has SetProgressRange(low, high),
// SetProgressPos(position) and SetProgressBusy(busy); a null view is skipped
// while the state is still kept.
class ProgressBarActivity {
public:
    template <class View>
    void Range(View* view, int low, int high) {
        low_ = low;
        high_ = high;
        position_ = low;
        SetBusy(view, false);
        if (view != nullptr) view->SetProgressRange(low, high);
    }

    template <class View>
    void Pos(View* view, int position) {
        position_ = position;
        if (view != nullptr) view->SetProgressPos(position);
        if (Running()) SetBusy(view, false);
    }

    // The job sent a new status text: a phase has begun.
    template <class View>
    void Text(View* view) {
        if (!Running()) SetBusy(view, true);
    }

    template <class View>
    void SetBusy(View* view, bool busy) {
        if (busy == busy_) return;
        busy_ = busy;
        if (view != nullptr) view->SetProgressBusy(busy);
    }

    bool Busy() const { return busy_; }
    // A range with room left is being counted.
    bool Running() const { return high_ > low_ && position_ < high_; }

private:
    int low_ = 0;
    int high_ = 0;
    int position_ = 0;
    bool busy_ = false;
};

}  // namespace halvane
