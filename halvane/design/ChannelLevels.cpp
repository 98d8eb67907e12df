#include "halvane/design/ChannelLevels.h"

#include <algorithm>
#include <cmath>

#include "halvane/design/CSpeakerTarget.h"
#include "halvane/design/CSubwooferTarget.h"
#include "halvane/design/CurveCollection.h"
#include "halvane/design/CurveLevel.h"
#include "halvane/design/TargetConfig.h"
#include "halvane/signal/CCurveSet.h"
#include "halvane/signal/ChannelTable.h"

namespace halvane::design {

namespace {

constexpr std::int32_t kLevelRate = 96000;
constexpr std::int32_t kSubSearchLow = 80;
constexpr std::int32_t kSubSearchHigh = 120;
constexpr std::int32_t kMainSearchHigh = 140;
constexpr std::int32_t kMainSearchLowWithSub = 60;
constexpr std::int32_t kMainSearchLowFullRange = 25;
constexpr double kMainBandTopHz = 10000.0;
constexpr double kSubBandBottomHz = 20.0;
constexpr double kSilence = 1e-40;
// Beyond this distance from the mains' reference the subwoofer pulls the
// reference towards itself, by at most 12 dB from the nearest main level.
constexpr double kSubwooferPullDb = 11.0;
constexpr double kSubwooferSpanDb = 24.0;
constexpr double kMaxTrimDb = 12.0;
constexpr int kMaxTrimSteps = 24;

// The RMS of the curve's magnitudes over lo <= f <= hi as a level; a band
// without points counts as silence.
double BandLevel(const signal::CCurve& curve, double lo, double hi) {
    double sum = 0.0;
    int count = 0;
    for (int i = 0; i < curve.Count(); ++i) {
        const double f = curve.X()[i];
        if (f < lo || f > hi) continue;
        const double a = MagnitudeAt(curve, i);
        sum += a * a;
        ++count;
    }
    const double rms = count > 0 ? std::sqrt(sum / count) : 0.0;
    return 20.0 * std::log10(rms > kSilence ? rms : kSilence);
}

// 2 d rounded half away from zero, d limited to +-12 dB first.
int TrimSteps(double d) {
    // A level that is no number (a curve of no values) gives no trim; the
    // conversion below would be undefined for it.
    if (std::isnan(d)) return 0;
    const double limited = std::clamp(d, -kMaxTrimDb, kMaxTrimDb);
    return std::clamp(static_cast<int>(std::round(2.0 * limited)), -kMaxTrimSteps, kMaxTrimSteps);
}

void Scale(signal::CCurve* curve, double db) {
    if (curve != nullptr) curve->MultiplyByComplex(std::pow(10.0, db / 20.0), 0.0);
}

}  // namespace

void MeasureChannelLevels(ConTypes::CrossoverIterator& choices, ChannelLevelMap& levels, const signal::CCurveSet& curves) {
    levels.clear();
    CSpeakerTarget speaker(kLevelRate);
    CSubwooferTarget subwoofer(kLevelRate, 20, 20, 0);

    const bool hasSub = curves.HasSubwooferCurve();
    std::int32_t lowest = kMainSearchHigh;
    CurveList pair;
    for (int ch = 0; ch < signal::ChannelTable::kCount; ++ch) {
        const signal::CCurve* curve = curves.Find(ch);
        if (curve == nullptr) continue;
        CollectPairCurves(ch, pair, curves);
        double lo = 0.0;
        double hi = 0.0;
        if (ch == signal::ChannelTable::kSubwoofer) {
            subwoofer.SetSubSearchHigh(kSubSearchHigh);
            subwoofer.SetSubSearchLow(kSubSearchLow);
            subwoofer.DetectCrossover(pair, choices);
            subwoofer.AnalyzeResponse(pair);
            const double ext = subwoofer.Extension();
            const double xo = subwoofer.CrossoverValue();
            lo = std::max(std::min(ext, xo), kSubBandBottomHz);
            hi = std::max(ext, xo);
        } else {
            const bool main = ch <= 2;
            speaker.SetSearchLow(main ? (hasSub ? kMainSearchLowWithSub : kMainSearchLowFullRange) : lowest);
            speaker.SetSearchHigh(kMainSearchHigh);
            speaker.SetMaxEqFrequency(kMainBandTopHz);
            speaker.AnalyzeResponse(pair);
            const std::int32_t hz = speaker.DetectCrossover(pair, choices);
            if (main) lowest = std::min(lowest, hz);
            lo = 2.0 * speaker.CrossoverHz();
            hi = std::min(kLevelRate / 2.0, kMainBandTopHz);
        }
        levels[ch] = BandLevel(*curve, lo, hi);
    }

    CurveList mains;
    CollectMainCurves(mains, curves);
    speaker.SetCrossover(std::min(lowest, TargetConfig::kDefaultCrossover));
    speaker.EstimateRoomGain(mains, choices);
    if (hasSub) levels[signal::ChannelTable::kSubwoofer] -= 40.0 * std::log10(speaker.ShelfRatio());
}

void UpdateLevelTrims(ConTypes::CrossoverIterator& choices, signal::CCurveSet& movie, signal::CCurveSet& music, TargetConfig& config) {
    ChannelLevelMap levels;
    MeasureChannelLevels(choices, levels, movie);

    double lo = 1e300;
    double hi = -1e300;
    bool anyMain = false;
    for (const auto& [ch, level] : levels) {
        if (ch >= signal::ChannelTable::kSubwoofer) continue;
        lo = std::min(lo, level);
        hi = std::max(hi, level);
        anyMain = true;
    }
    const auto sub = levels.find(signal::ChannelTable::kSubwoofer);
    double offset = 0.0;
    if (anyMain) {
        offset = (hi + lo) / 2.0;
        if (sub != levels.end() && std::fabs(offset - sub->second) > kSubwooferPullDb) {
            const double s = sub->second;
            if (s < offset) offset = hi - s < kSubwooferSpanDb ? (hi + s) / 2.0 : hi - kMaxTrimDb;
            if (s > offset) offset = s - lo < kSubwooferSpanDb ? (s + lo) / 2.0 : lo + kMaxTrimDb;
        }
    } else if (sub != levels.end()) {
        // Only a subwoofer: it is the reference (the 1e300 seeds must never
        // reach the arithmetic).
        offset = sub->second;
    }
    config.RefLevelOffsetDb = offset;
    config.RefLevel = -1;

    for (int ch = 0; ch < signal::ChannelTable::kCount; ++ch) {
        const auto it = levels.find(ch);
        const auto c = static_cast<std::size_t>(ch);
        if (it == levels.end()) {
            config.ChannelTrim[c] = 0;
            continue;
        }
        const int k = TrimSteps(offset - it->second);
        config.ChannelTrim[c] = k;
        Scale(movie.Find(ch), 0.5 * k);
    }

    ChannelLevelMap musicLevels;
    MeasureChannelLevels(choices, musicLevels, music);
    for (int ch = 0; ch < signal::ChannelTable::kSubwoofer; ++ch) {
        if (musicLevels.count(ch) != 0) Scale(music.Find(ch), 0.5 * config.ChannelTrim[static_cast<std::size_t>(ch)]);
    }
    const auto musicSub = musicLevels.find(signal::ChannelTable::kSubwoofer);
    if (musicSub != musicLevels.end()) {
        config.MusicSubTrim = TrimSteps(offset - musicSub->second);
        Scale(music.Find(signal::ChannelTable::kSubwoofer), 0.5 * config.MusicSubTrim);
    } else {
        config.MusicSubTrim = 0;
    }
}

void UpdateLevels(ConTypes::CrossoverIterator& choices, signal::CCurveSet& movie, signal::CCurveSet& music, TargetConfig& config) {
    UpdateLevelTrims(choices, movie, music, config);
}

}  // namespace halvane::design
