#pragma once

#include <cstdint>

#include "halvane/design/CrossoverIterator.h"

namespace halvane::signal {
class CCurveSet;
}
namespace halvane::design {

class TargetConfig;

// Proposes configuration `cfg`'s design parameters from its measured
// (averaged) curves and writes them into the record: a crossover and group
// flag for every speaker group, the room gain, the maximum EQ frequency and
// the subwoofer defaults (20, 20, 0). The proposals are taken from
// `choices`, the crossover choices of the unit's class (the caller asks the
// processor link for them), so each is a value the processor accepts.
//
// Every group starts at 170 with flag 0. In channel order: the subwoofer is
// searched from 80 to 120 Hz; the fronts and the centre from 60 Hz (25 when
// the set has no subwoofer) to 140; the surrounds and rears from the lowest
// front or centre proposal (140 when none) to 140. The room gain is
// estimated with the crossover at min(that lowest proposal, 80), each main
// curve's own crossover searched over the range of the last main channel.
// Without a subwoofer curve its group stays 170 and the fronts run full
// range (Front flag 1).
//
// `sampleRateHz` is the rate the proposals are judged at (96000 by the
// auto-detection job).
void DetectCrossovers(ConTypes::CrossoverIterator& choices, const signal::CCurveSet& curves, TargetConfig& config, int cfg,
                      std::int32_t sampleRateHz);

}  // namespace halvane::design
