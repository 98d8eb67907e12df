#include "halvane/design/DetectCrossovers.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "halvane/design/CSpeakerTarget.h"
#include "halvane/design/CSubwooferTarget.h"
#include "halvane/design/CurveCollection.h"
#include "halvane/design/TargetConfig.h"
#include "halvane/signal/CCurveSet.h"
#include "halvane/signal/ChannelTable.h"

namespace halvane::design {

namespace {

constexpr std::int32_t kSubSearchLow = 80;
constexpr std::int32_t kSubSearchHigh = 120;
constexpr std::int32_t kMainSearchHigh = 140;
constexpr std::int32_t kMainSearchLowWithSub = 60;
constexpr std::int32_t kMainSearchLowFullRange = 25;
constexpr std::int32_t kDefaultSubFrequency = 20;

}  // namespace

void DetectCrossovers(ConTypes::CrossoverIterator& choices, const signal::CCurveSet& curves, TargetConfig& config, int cfg,
                      std::int32_t sampleRateHz) {
    if (cfg < 0 || cfg >= TargetConfig::kConfigurations) throw std::out_of_range("configuration index");
    const auto b = static_cast<std::size_t>(cfg);
    CSpeakerTarget speaker(sampleRateHz);
    CSubwooferTarget subwoofer = CSubwooferTarget::ForConfiguration(sampleRateHz, config, cfg);

    config.Crossover[b].fill(TargetConfig::kNoCrossover);
    config.GroupFlag[b].fill(0);

    const bool hasSub = curves.HasSubwooferCurve();
    std::int32_t lowest = kMainSearchHigh;
    CurveList pair;
    for (int ch = 0; ch < signal::ChannelTable::kCount; ++ch) {
        if (!curves.HasCurve(ch)) continue;
        CollectPairCurves(ch, pair, curves);
        const auto group = static_cast<std::size_t>(signal::ChannelTable::kGroupOf[static_cast<std::size_t>(ch)]);
        if (ch == signal::ChannelTable::kSubwoofer) {
            subwoofer.SetSubSearchHigh(kSubSearchHigh);
            subwoofer.SetSubSearchLow(kSubSearchLow);
            config.Crossover[b][group] = subwoofer.DetectCrossover(pair, choices);
            continue;
        }
        const bool main = ch <= 2;
        speaker.SetSearchLow(main ? (hasSub ? kMainSearchLowWithSub : kMainSearchLowFullRange) : lowest);
        speaker.SetSearchHigh(kMainSearchHigh);
        const std::int32_t hz = speaker.DetectCrossover(pair, choices);
        config.Crossover[b][group] = hz;
        if (main) lowest = std::min(lowest, hz);
    }

    CurveList mains;
    CollectMainCurves(mains, curves);
    speaker.SetCrossover(std::min(lowest, TargetConfig::kDefaultCrossover));
    speaker.EstimateRoomGain(mains, choices);

    config.RoomGainDb[b] = 40.0 * std::log10(speaker.ShelfRatio());
    config.MaxEqFrequency[b] = static_cast<std::int32_t>(std::trunc(std::min(sampleRateHz / 2.0, speaker.MaxEq())));
    config.MinSubEqFrequency[b] = kDefaultSubFrequency;
    config.SubHighPassFrequency[b] = kDefaultSubFrequency;
    config.SubHighPassOrder[b] = 0;
    if (config.Crossover[b][TargetConfig::Subwoofer] == TargetConfig::kNoCrossover) {
        config.GroupFlag[b][TargetConfig::Front] = 1;
    }
}

}  // namespace halvane::design
