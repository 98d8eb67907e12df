#include "halvane/design/BuildTargetCurves.h"

#include <cmath>
#include <memory>

#include "halvane/design/CConfigTargets.h"
#include "halvane/design/CTargetCurve.h"
#include "halvane/design/CurveCollection.h"
#include "halvane/design/ReportInvalidMapCrossover.h"
#include "halvane/design/TargetConfig.h"
#include "halvane/signal/CCurveSet.h"
#include "halvane/signal/ChannelTable.h"

namespace halvane::design {

void BuildTargetCurves(CConfigTargets& targets, signal::CCurveSet& out, bool addLevel) {
    out.Clear();

    const TargetConfig& config = targets.Config();
    const auto cfg = static_cast<std::size_t>(targets.ConfigIndex());
    const double roomGainDb = config.RoomGainDb.at(cfg);
    const double ratio = std::sqrt(std::pow(10.0, roomGainDb / 20.0));
    targets.SpeakerTarget().SetShelfRatio(ratio);
    targets.SubwooferTarget().SetShelfRatio(ratio);

    const signal::CCurveSet& measured = targets.CurveSet();
    CurveList pair;
    for (int ch = 0; ch < signal::ChannelTable::kCount; ++ch) {
        const signal::CCurve* curve = measured.Find(ch);
        if (curve == nullptr) continue;
        CollectPairCurves(ch, pair, measured);
        CBaseTarget& target = targets.TargetFor(ch);
        const std::int32_t c = targets.CrossoverOf(ch);
        if (c == TargetConfig::kNoCrossover || c == TargetConfig::kNoTarget) continue;
        if (c == TargetConfig::kInvalidCrossover) ReportInvalidMapCrossover();

        target.SetCrossover(c);
        target.AnalyzeResponse(pair);
        auto made = std::make_unique<CTargetCurve>(*curve);
        target.GenerateTargetCurve(*made);
        made->LowerLimit = target.LowerEqLimit();
        made->UpperLimit = target.UpperEqLimit();
        if (addLevel) {
            double g = config.RefLevel + config.RefLevelOffsetDb;
            // 40 log10 of the ratio is the room gain itself.
            if (ch == signal::ChannelTable::kSubwoofer) g += 40.0 * std::log10(ratio);
            made->MultiplyByComplex(std::pow(10.0, g / 20.0), 0.0);
        }
        out.Add(ch, std::move(made));
    }
}

void BuildTargetCurves(std::int32_t unitKind, int cfg, const signal::CCurveSet& measured, const TargetConfig& config,
                       std::int32_t sampleRate, signal::CCurveSet& out, bool addLevel) {
    CConfigTargets targets(unitKind, cfg, measured, config, sampleRate);
    BuildTargetCurves(targets, out, addLevel);
}

}  // namespace halvane::design
