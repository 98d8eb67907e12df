#pragma once

#include "halvane/design/Biquad.h"
#include "halvane/design/TargetConfig.h"

#include <cstdint>

namespace halvane::link {

// What the processor uploads read from a project and write back into it:
// the filter sets [configuration][rate slot][channel] (the gain word and the
// stages), the target record, and which channels have a measured curve in
// the Movie (0) and Music (1) measurement sets. The project document
// implements it; tests and tools use UploadData.
class UploadSource {
public:
    virtual ~UploadSource() = default;

    // The filter set's gain word (0.5 dB steps, 24-bit two's complement as
    // the calculation stores it) and one of its stages (0..9).
    virtual std::int32_t FilterGain(int configuration, int rateSlot, int channel) const = 0;
    virtual const design::Biquad& FilterStage(int configuration, int rateSlot, int channel, int stage) const = 0;

    // The document's own target record: the speaker-level upload writes the
    // zero trims of unmeasured channels into it.
    virtual design::TargetConfig& Targets() = 0;

    // Whether measurement set `set` (0 Movie, 1 Music) holds a measured
    // curve of `channel` (0..7).
    virtual bool HasMeasuredCurve(int set, int channel) const = 0;
};

}  // namespace halvane::link
