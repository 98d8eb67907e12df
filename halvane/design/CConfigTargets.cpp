#include "halvane/design/CConfigTargets.h"

#include "halvane/design/ReportInvalidMapCrossover.h"
#include "halvane/design/TargetConfig.h"
#include "halvane/signal/ChannelTable.h"

namespace halvane::design {

CConfigTargets::CConfigTargets(std::int32_t unitKind, int cfg, const signal::CCurveSet& curves, const TargetConfig& config,
                               std::int32_t sampleRate)
    : curves_(&curves),
      config_(&config),
      cfg_(cfg),
      sampleRate_(sampleRate),
      unitKind_(unitKind),
      speaker_(sampleRate),
      subwoofer_(CSubwooferTarget::ForConfiguration(sampleRate, config, cfg)) {
    const double maxEq = config.MaxEqFrequency.at(static_cast<std::size_t>(cfg));
    subwoofer_.SetMaxEqFrequency(maxEq);
    speaker_.SetMaxEqFrequency(maxEq);
}

std::int32_t CConfigTargets::CrossoverOf(int channel) const {
    const int group = signal::ChannelTable::kGroupOf.at(static_cast<std::size_t>(channel));
    return config_->CrossoverFor(cfg_, group);
}

CBaseTarget& CConfigTargets::TargetFor(int channel) {
    if (channel == signal::ChannelTable::kSubwoofer) return subwoofer_;
    return speaker_;
}

double CConfigTargets::GetLowerEqLimit(int channel) {
    CBaseTarget& target = TargetFor(channel);
    const std::int32_t c = CrossoverOf(channel);
    if (c == TargetConfig::kInvalidCrossover) ReportInvalidMapCrossover();
    if (c != TargetConfig::kNoCrossover && c != TargetConfig::kNoTarget) target.SetCrossover(c);
    return target.LowerEqLimit();
}

void CConfigTargets::SetSampleRate(std::int32_t hz) {
    sampleRate_ = hz;
    speaker_.SetSampleRate(hz);
    subwoofer_.SetSampleRate(hz);
}

}  // namespace halvane::design
