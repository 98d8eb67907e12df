#pragma once

#include "platform/WindowMessage.h"

#include <cstdint>

namespace halvane::procedures {

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

    // A progress bar's window messages: PBM_SETRANGE32 (answered 1) and
    // PBM_SETPOS; other messages are left alone (0).
    template <class View>
    std::intptr_t Forward(View* view, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
        if (message == platform::PBM_SETRANGE32) {
            Range(view, static_cast<int>(wParam), static_cast<int>(lParam));
            return 1;
        }
        if (message == platform::PBM_SETPOS) Pos(view, static_cast<int>(wParam));
        return 0;
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

}  // namespace halvane::procedures
