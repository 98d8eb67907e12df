#pragma once

#include <cstdint>

#include "halvane/design/CSpeakerTarget.h"
#include "halvane/design/CSubwooferTarget.h"

namespace halvane::signal {
class CCurveSet;
}
namespace halvane::design {

class TargetConfig;

// The targets of one configuration at one sample rate: a speaker target for
// the main channels and a subwoofer target with the configuration's
// subwoofer values, both limited to the configuration's maximum EQ
// frequency. The measured curves and the target record belong to the
// caller and must outlive this object.
class CConfigTargets {
public:
    // `unitKind` is the document's unit class id (1, 2 or 4); `cfg` 0 Movie
    // or 1 Music (std::out_of_range otherwise); `sampleRate` in Hz.
    CConfigTargets(std::int32_t unitKind, int cfg, const signal::CCurveSet& curves, const TargetConfig& config,
                   std::int32_t sampleRate);

    // The crossover code of the channel's group as this configuration reads
    // it: the Movie value for Music while MusicUsesMovie is set.
    std::int32_t CrossoverOf(int channel) const;
    // The subwoofer target for channel 7, else the speaker target.
    CBaseTarget& TargetFor(int channel);

    // The lower EQ limit of the channel's target after giving it the
    // channel's crossover: 170 (no crossover) and -1 (no target) leave the
    // target's crossover as it was; 165 (invalid) is reported and then set.
    double GetLowerEqLimit(int channel);

    // Switches both targets (and this object) to another rate, as the
    // calculation job does between its design rate and 32000 Hz.
    void SetSampleRate(std::int32_t hz);

    const signal::CCurveSet& CurveSet() const { return *curves_; }
    const TargetConfig& Config() const { return *config_; }
    int ConfigIndex() const { return cfg_; }
    std::int32_t SampleRate() const { return sampleRate_; }
    std::int32_t UnitKind() const { return unitKind_; }
    CSpeakerTarget& SpeakerTarget() { return speaker_; }
    CSubwooferTarget& SubwooferTarget() { return subwoofer_; }
    const CSpeakerTarget& SpeakerTarget() const { return speaker_; }
    const CSubwooferTarget& SubwooferTarget() const { return subwoofer_; }

private:
    const signal::CCurveSet* curves_;
    const TargetConfig* config_;
    int cfg_;
    std::int32_t sampleRate_;
    std::int32_t unitKind_;
    CSpeakerTarget speaker_;
    CSubwooferTarget subwoofer_;
};

}  // namespace halvane::design
