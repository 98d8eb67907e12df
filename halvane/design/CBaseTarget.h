#pragma once

#include <cstdint>

#include "halvane/design/CrossoverIterator.h"
#include "halvane/design/CurveList.h"

namespace halvane::signal {
class CCurve;
}

namespace halvane::design {

// What the corrected response of one channel kind at one sample rate should
// look like: the target curve, the band in which equalisation is allowed,
// the crossover, and a model fit that tunes the target to the measured
// speaker. A target holds no curves; every curve belongs to the caller.
//
// DetectCrossover proposes a crossover from the measured curves among a
// unit class's crossover choices, within the search range kept here (the
// subwoofer keeps its own).
class CBaseTarget {
public:
    static constexpr std::int32_t kDefaultCrossover = 80;
    // 15 sqrt 2: no EQ band starts lower.
    static constexpr double kLowestEqLimit = 21.213203435596427;
    static constexpr double kHighestMaxEq = 20000.0;
    static constexpr double kDefaultMaxEq = 5000.0;
    // 1 / sqrt 2, the Butterworth quality of the crossover sections.
    static constexpr double kButterworthQ = 0.70710678118654752;

    explicit CBaseTarget(std::int32_t sampleRate);
    virtual ~CBaseTarget() = default;
    CBaseTarget(const CBaseTarget&) = default;
    CBaseTarget& operator=(const CBaseTarget&) = default;

    // The linear gain that brings curve `a` to the level of curve `b` in the
    // target's band [lo, hi): `a` on b's axis in dB, each point of `b` in the
    // band weighted by sqrt(10^((A - ref) / 20)), ref the highest level of
    // `a` in the band; the gain is 10^(-(weighted mean of A - B) / 20). A
    // band without points gives 1 (no change). `a` is left polar.
    virtual double LevelMatchGain(signal::CCurve& a, const signal::CCurve& b) const = 0;
    // Fills `curve` (its axis sets the frequencies) with the target
    // response, shortened to the points at or below half the sample rate;
    // the result is polar.
    virtual void GenerateTargetCurve(signal::CCurve& curve) const = 0;
    virtual void SetCrossover(std::int32_t hz);
    // Scores every choice from the last one at or below the search range's
    // low end up to its high end against the curves, sets the crossover to
    // the proposal and returns it: one of the choices, or 80 when none could
    // be judged. The same curves always give the same proposal.
    virtual std::int32_t DetectCrossover(const CurveList& curves, ConTypes::CrossoverIterator& choices) = 0;
    // Tunes the target's model to the measured curves of the channel.
    virtual void AnalyzeResponse(const CurveList& curves) = 0;
    virtual double LowerEqLimit() const = 0;
    virtual double UpperEqLimit() const = 0;
    virtual void SetMaxEqFrequency(double hz) = 0;

    std::int32_t SampleRate() const { return sampleRate_; }
    // The calculation job designs at one rate and converts afterwards: it
    // switches its targets to the design rate with this.
    void SetSampleRate(std::int32_t hz) { sampleRate_ = hz; }
    std::int32_t CrossoverHz() const { return crossoverHz_; }
    double CrossoverValue() const { return crossoverValue_; }
    // The bass shelf's ratio v: zeros at 200 sqrt v, poles at 200 / sqrt v;
    // it lifts the lows by 40 log10 v dB. 2^(1/4) (3.01 dB) by default.
    double ShelfRatio() const { return shelfRatio_; }
    void SetShelfRatio(double v) { shelfRatio_ = v; }
    // The crossover search range of the detection, Hz.
    std::int32_t SearchHigh() const { return searchHigh_; }
    std::int32_t SearchLow() const { return searchLow_; }
    void SetSearchHigh(std::int32_t hz) { searchHigh_ = hz; }
    void SetSearchLow(std::int32_t hz) { searchLow_ = hz; }

protected:
    // The band [lo, hi) of LevelMatchGain.
    double MatchLevel(signal::CCurve& a, const signal::CCurve& b, double lo, double hi) const;
    // Shortens `curve` to the points at or below half the sample rate.
    void KeepBelowNyquist(signal::CCurve& curve) const;

private:
    std::int32_t sampleRate_;
    std::int32_t crossoverHz_ = kDefaultCrossover;
    double shelfRatio_;
    double crossoverValue_ = kDefaultCrossover;
    std::int32_t searchHigh_ = 160;
    std::int32_t searchLow_ = 25;
};

}  // namespace halvane::design
