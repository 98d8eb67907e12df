#pragma once

#include <array>
#include <cstdint>

#include "platform/WindowHandle.h"

namespace halvane::signal {
class CCurveSet;
}
namespace halvane::design {
class TargetConfig;
}

namespace halvane::document {

// The target jobs the target customisation dialog starts, behind an
// interface so the dialog does not depend on how they run (a modal progress
// dialog over a worker in the program, a script in tests).
class TargetJobs {
public:
    virtual ~TargetJobs() = default;

    // RunAutoDetectXOvers: proposes crossovers, group flags, room gains,
    // maximum EQ frequencies and subwoofer defaults for Movie and then Music
    // from `measured` (Movie, Music) into `config`, for the unit class
    // `unitKind`, with the job's progress dialog over `parent`. The job may
    // change the curve sets it is given (they are the caller's copies).
    // Returns the procedure result: 1 completed, 2 terminated.
    virtual int RunAutoDetectXOvers(platform::WindowHandle parent, std::array<signal::CCurveSet, 2>& measured,
                                    design::TargetConfig& config, std::int32_t unitKind) = 0;
};

}  // namespace halvane::document
