#pragma once

#include "halvane/design/CBaseTarget.h"

namespace halvane::design {

class TargetConfig;

// The subwoofer's target (channel 7): a high-pass chosen by the configured
// order (the fitted low-frequency extension, none, or a Butterworth
// magnitude) times the squared crossover low-pass, peaking at 0 dB.
class CSubwooferTarget : public CBaseTarget {
public:
    static constexpr double kDefaultExtension = 20.0;
    static constexpr double kDefaultExtensionQ = kButterworthQ;

    // The configuration's three subwoofer values of the target record:
    // minimum EQ frequency, high-pass frequency and high-pass order (0
    // automatic, 1 none, k >= 2 Butterworth of order k - 1; a negative
    // order, which no dialog offers, counts as none).
    CSubwooferTarget(std::int32_t sampleRate, std::int32_t minSubEq, std::int32_t highPassFrequency,
                     std::int32_t highPassOrder)
        : CBaseTarget(sampleRate),
          minSubEq_(minSubEq),
          highPassFrequency_(highPassFrequency),
          highPassOrder_(highPassOrder) {}

    // The subwoofer target of configuration `cfg` (0 Movie, 1 Music) with
    // that configuration's subwoofer values of the target record.
    static CSubwooferTarget ForConfiguration(std::int32_t sampleRate, const TargetConfig& config, int cfg);

    // Band [max(Extension / 2, 15), 2 x crossover).
    double LevelMatchGain(signal::CCurve& a, const signal::CCurve& b) const override;
    void GenerateTargetCurve(signal::CCurve& curve) const override;
    // The low-pass search over [SubSearchLow, SubSearchHigh]
    // (CrossoverSearch).
    std::int32_t DetectCrossover(const CurveList& curves, ConTypes::CrossoverIterator& choices) override;
    // The extension fit, only at order 0 with a crossover above 5 Hz:
    // Extension from 5 Hz in steps of 1.05 below the crossover, ExtensionQ
    // 0.8 / 1.0125^j (down to 0.5), each scored by the weighted mean square
    // of the smoothed deviation of model and measurement. With nothing to
    // score, Extension and ExtensionQ take their defaults.
    void AnalyzeResponse(const CurveList& curves) override;
    // Order 0: max(Extension / 2, 21.2132); otherwise max(MinSubEq, 21.2132).
    double LowerEqLimit() const override;
    // min(3 x crossover, MaxEq).
    double UpperEqLimit() const override;
    void SetMaxEqFrequency(double hz) override;

    std::int32_t MinSubEq() const { return minSubEq_; }
    std::int32_t HighPassFrequency() const { return highPassFrequency_; }
    std::int32_t HighPassOrder() const { return highPassOrder_; }
    double Extension() const { return extension_; }
    double ExtensionQ() const { return extensionQ_; }
    void SetExtension(double hz, double q) {
        extension_ = hz;
        extensionQ_ = q;
    }
    double MaxEq() const { return maxEq_; }
    // The subwoofer's own crossover search range.
    std::int32_t SubSearchHigh() const { return subSearchHigh_; }
    std::int32_t SubSearchLow() const { return subSearchLow_; }
    void SetSubSearchHigh(std::int32_t hz) { subSearchHigh_ = hz; }
    void SetSubSearchLow(std::int32_t hz) { subSearchLow_ = hz; }

    // The fit's model in dB at f: (high-pass at f0, q)^2 x (crossover
    // low-pass)^2, normalised by the high-pass at half the sample rate and
    // the low-pass at 0 Hz.
    double ExtensionModelDb(double f, double f0, double q) const;

private:
    std::int32_t minSubEq_;
    std::int32_t highPassFrequency_;
    std::int32_t highPassOrder_;
    double extension_ = kDefaultExtension;
    double extensionQ_ = kDefaultExtensionQ;
    double maxEq_ = kDefaultMaxEq;
    std::int32_t subSearchHigh_ = 160;
    std::int32_t subSearchLow_ = 25;
};

}  // namespace halvane::design
