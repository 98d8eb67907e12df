#pragma once

#include "platform/MmResult.h"

#include <cstddef>

namespace platform {

// The device side of an open SoundInput: a running stream of frames in the
// format the input was opened with. SoundInput calls it from its capture
// thread only (start, stop and read never overlap).
class CaptureStream {
public:
    virtual ~CaptureStream() = default;

    virtual MmResult start() = 0;
    // Stops and discards what the device still holds.
    virtual void stop() = 0;

    // Reads up to maxFrames frames into `out`, waiting at most about waitMs
    // real milliseconds for the first; 0 when none came in time, negative
    // when the device failed beyond recovery.
    virtual long read(void* out, std::size_t maxFrames, int waitMs) = 0;

    // True when frames must be read (and dropped) while no buffer is queued,
    // so a hardware device does not overrun.
    virtual bool drainsWhenIdle() const = 0;
};

}  // namespace platform
