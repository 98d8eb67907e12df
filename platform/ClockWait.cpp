#include "platform/ClockWait.h"

#include "platform/Deadline.h"

#include <algorithm>

namespace platform {

int WaitAnyOnClock(const std::vector<Event*>& events, std::int64_t limitMs, Clock& clock) {
    if (limitMs < 0) return WaitAny(events, -1);
    constexpr std::int64_t kSliceMs = 50;
    const Deadline deadline(clock, limitMs);
    for (;;) {
        const std::int64_t slice = std::min(deadline.remainingMs(), kSliceMs);
        const std::int64_t real = clock.toRealMs(slice);
        const int index = WaitAny(events, real);
        if (index != WaitTimeout) return index;
        if (real == 0 && slice > 0) clock.sleepMs(slice);  // a clock whose time does not run by itself
        if (deadline.expired()) return WaitAny(events, 0);
    }
}

}  // namespace platform
