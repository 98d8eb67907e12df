#pragma once

#include "halvane/design/CBaseTarget.h"

namespace halvane::design {

// The target of a main channel (0 to 6): the crossover high-pass, the bass
// shelf that carries the room gain, and a top-octave roll-off whose Q is
// fitted to the measured speaker.
class CSpeakerTarget : public CBaseTarget {
public:
    static constexpr double kDefaultTopQ = kButterworthQ;

    explicit CSpeakerTarget(std::int32_t sampleRate) : CBaseTarget(sampleRate) {}

    // Band [max(crossover / 2 in whole Hz, 15), MaxEq).
    double LevelMatchGain(signal::CCurve& a, const signal::CCurve& b) const override;
    // High-pass at the crossover (Q 1/sqrt 2) x bass shelf (zeros at
    // 200 sqrt(ShelfRatio), poles at 200 / sqrt(ShelfRatio), Q 1/sqrt 2)
    // x roll-off at half the sample rate (Q TopQ), normalised by the
    // high-pass and shelf at half the sample rate and the roll-off at 0 Hz.
    void GenerateTargetCurve(signal::CCurve& curve) const override;
    // The high-pass search over [SearchLow, SearchHigh] (CrossoverSearch).
    std::int32_t DetectCrossover(const CurveList& curves, ConTypes::CrossoverIterator& choices) override;
    // The top-octave fit: TopQ from 84 candidates 30 / 1.05^k (down to 0.5),
    // scored by the weighted mean square of (model + offset - measured) over
    // 3000 Hz <= f < min(fs/2 - 1, 21000). A candidate whose largest
    // deviation exceeds 6 dB counts only as a fallback. With no point in
    // that band no candidate can be scored and TopQ takes its default.
    void AnalyzeResponse(const CurveList& curves) override;
    // max(crossover / 3, 21.2132).
    double LowerEqLimit() const override;
    // min(fs / 2, MaxEq).
    double UpperEqLimit() const override;
    void SetMaxEqFrequency(double hz) override;

    // The room gain: the bass shelf ratio v = 1 + 0.005 k (k = 0.., while
    // v <= 10^0.1, so 0 to 3.95 dB) that best fits the main channels'
    // curves, each brought to 1 in its mid band (400 to 3000 Hz), over the
    // points from that curve's own detected crossover to 3000 Hz that lie
    // within 6 dB of its peak between CrossoverValue and 3000 Hz. Sets
    // ShelfRatio; 1 (0 dB) when no point could be judged. Each curve's own
    // crossover is searched over this target's search range, on a copy of
    // the target, so the crossover set before (the lower end of the
    // reference band) stays as it is.
    void EstimateRoomGain(const CurveList& curves, ConTypes::CrossoverIterator& choices);

    double TopQ() const { return topQ_; }
    void SetTopQ(double q) { topQ_ = q; }
    double MaxEq() const { return maxEq_; }

private:
    double topQ_ = kDefaultTopQ;
    double maxEq_ = kDefaultMaxEq;
};

}  // namespace halvane::design
