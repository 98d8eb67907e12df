#pragma once

#include "platform/Clock.h"
#include "platform/Event.h"

#include <cstdint>
#include <vector>

namespace platform {

// Waits until one of the events is set, for at most limitMs of `clock`
// (negative: no limit), and returns its index as WaitAny does, or
// WaitTimeout. The wait runs in short slices converted to real time, so a
// scaled clock shortens it and a virtual clock lets its own time pass
// (sleeping the slice on the clock) instead of waiting at all.
int WaitAnyOnClock(const std::vector<Event*>& events, std::int64_t limitMs, Clock& clock);

inline bool WaitOnClock(Event& event, std::int64_t limitMs, Clock& clock) {
    return WaitAnyOnClock({&event}, limitMs, clock) == 0;
}

}  // namespace platform
