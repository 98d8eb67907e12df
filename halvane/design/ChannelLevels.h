#pragma once

#include <cstdint>
#include <map>

#include "halvane/design/CrossoverIterator.h"

namespace halvane::signal {
class CCurveSet;
}
namespace halvane::design {

class TargetConfig;

// Channel (0 to 7) to its level in dB.
using ChannelLevelMap = std::map<int, double>;

// The level of every channel the set holds, judged at 96000 Hz: the RMS of
// its magnitude over its band, 20 log10(max(rms, 1e-40)). A main channel's
// band runs from twice its detected crossover to 10000 Hz; the subwoofer's
// over [max(min(extension, crossover), 20), max(extension, crossover)], and
// its level is then lowered by the room gain estimated from the main
// channels. Crossovers are searched as the auto-detection does, over
// `choices` (the crossover choices of the unit's class). `levels` is
// emptied first.
void MeasureChannelLevels(ConTypes::CrossoverIterator& choices, ChannelLevelMap& levels, const signal::CCurveSet& curves);

// After a measurement: the reference level (RefLevelOffsetDb, midway
// between the loudest and the quietest main channel of the Movie curves,
// moved towards a subwoofer that lies more than 11 dB away), RefLevel -1,
// and the trims in 0.5 dB steps that bring each Movie channel to the
// reference (at most 12 dB either way). The Movie curves are scaled by
// their trims, the Music main channels by the Movie trims, and the Music
// subwoofer by a trim of its own (MusicSubTrim). Unmeasured channels get
// trim 0. With no main channel measured the reference is the subwoofer's
// level (or 0 dB without one).
//
// The curves are scaled in place, so this runs once per fresh set of
// measured curves. `choices` are the crossover choices of the unit's class.
void UpdateLevelTrims(ConTypes::CrossoverIterator& choices, signal::CCurveSet& movie, signal::CCurveSet& music, TargetConfig& config);

// The document's level update after a measurement or a load: the same as
// UpdateLevelTrims with the crossover choices of the document's unit kind,
// its Movie and Music measured curves and its target record.
void UpdateLevels(ConTypes::CrossoverIterator& choices, signal::CCurveSet& movie, signal::CCurveSet& music, TargetConfig& config);

}  // namespace halvane::design
