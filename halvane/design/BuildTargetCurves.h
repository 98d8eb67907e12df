#pragma once

#include <cstdint>

namespace halvane::design {

class CConfigTargets;

}  // namespace halvane::design
namespace halvane::signal {
class CCurveSet;
}
namespace halvane::design {

class TargetConfig;

// Fills `out` with one CTargetCurve per channel of the targets' measured set
// whose crossover asks for a target: the channel's target gets the group's
// crossover, fits itself to the channel and its partner, and generates the
// curve on the measured curve's grid with its EQ limits. Both targets first
// take the configuration's room gain as their shelf ratio
// (sqrt(10^(RoomGainDb / 20)), so the shelf lifts exactly RoomGainDb).
// Crossover 170 and -1 give no curve; 165 is reported and then used.
//
// With `addLevel` each curve is raised by RefLevel + RefLevelOffsetDb dB,
// and the subwoofer's also by the room gain: the displayed targets. The
// calculation job builds without it, since its fit applies the level once
// itself.
//
// `out` is emptied first. The targets' unit kind is not checked here: the
// callers ask the processor link for its crossover choices first, which
// reports a kind that cannot be used.
void BuildTargetCurves(CConfigTargets& targets, signal::CCurveSet& out, bool addLevel);

// The same for a caller without targets of its own (the target
// recalculation after a document is loaded): the targets of configuration
// `cfg` of `config` for `unitKind` at `sampleRate` Hz over `measured`.
void BuildTargetCurves(std::int32_t unitKind, int cfg, const signal::CCurveSet& measured, const TargetConfig& config,
                       std::int32_t sampleRate, signal::CCurveSet& out, bool addLevel);

}  // namespace halvane::design
