#pragma once

#include <cstdint>
#include <vector>

namespace halvane::signal {
class CCurve;
}

namespace halvane::design {
struct Biquad;
}

namespace halvane::design {

// What the calculation job tells the fitter about a channel besides its
// curves: four int32 values.
struct FitOptions {
    std::int32_t WidenTop = 0;     // the requested upper limit is doubled before use
    std::int32_t IsSubwoofer = 0;  // the channel is the subwoofer
    std::int32_t GroupFlag = 0;    // the channel group's full-range flag (Music reads Movie's with MusicUsesMovie)
    std::int32_t Reserved = 0;     // always 0
};

// The work record of one channel's correction: a chain of second-order
// stages H(z) = (B0 + B1 z^-1 + B2 z^-2) / (A0 + A1 z^-1 + A2 z^-2) at
// SampleRate and an overall gain in 0.5 dB steps.
//
// The fit works on Params (b1, b2, a1, a2 per stage, b0 = a0 = 1) and the
// per-point work arrays; Finalize turns Params into the stage arrays, which
// the rate conversion, the stored stages and the calculated curve use.
struct FilterDesign {
    std::int32_t SampleRate = 48000;
    std::int32_t StageCount = 0;
    // The channel's target curve (a CTargetCurve or any curve on the
    // measurement's grid); set by the caller before the fit, not owned.
    const signal::CCurve* TargetCurve = nullptr;

    // Per fit point: cos w, cos 2w, -sin w, -sin 2w (w in radians per
    // sample), the desired magnitude t, the cascade magnitude h, the
    // residual r = G h - t.
    std::vector<double> CosW, Cos2W, NegSinW, NegSin2W;
    std::vector<double> TargetMag, CascadeMag, Residual;
    // w itself per fit point (placement and the band check read it).
    std::vector<double> Omega;
    // 4 StageCount values: b1, b2, a1, a2 of every stage in order.
    std::vector<double> Params;
    std::int32_t PointCount = 0;

    // The least-squares gain G of the last error evaluation; after Finalize
    // the remainder below one 0.5 dB step.
    double FitGain = 1.0;
    double GainScale = 1.0;
    // The overall gain word in 0.5 dB steps.
    std::int32_t GainSteps = 0;

    std::vector<double> B0, B1, B2, A0, A1, A2;

    // Nulls every array and the target curve; SampleRate, StageCount and
    // GainSteps stay.
    void Clear();
    // StageCount = n identity stages and 4 n zero parameters.
    void InitStages(int n);
    void FreeArrays();
    // Params -> stage arrays, numerators scaled and paired with the
    // denominators so no coefficient exceeds 2 and the running response of
    // the chain stays at or below 1; the gain in whole 0.5 dB steps in
    // GainSteps, the remainder (at most 1) folded into the first stage.
    void Finalize();

    // --- Stages at other rates and stored stages ---------------------------
    // Moves every stage to newRate keeping each resonance's frequency and Q
    // and the chain's gain at 0 Hz; a numerator that would exceed 2 hands
    // its excess to the next stage, the last excess goes to GainSteps.
    void ChangeSampleRate(std::int32_t newRate);
    // Stage `index` from a stored record (the identity when not in use);
    // an index outside the chain is ignored.
    void LoadStage(const design::Biquad& stored, int index);
    // The stored record of stage `index` (in use, halved coefficients).
    design::Biquad StoredStage(int index) const;
    // GainSteps from a stored gain word: its low 24 bits, sign-extended.
    void LoadGainWord(std::int32_t word);
    // The source curve times the chain and the overall gain (magnitudes
    // only; phases stay), polar, in `result`.
    void ApplyToCurve(signal::CCurve& result, const signal::CCurve& source) const;
    // |H(e^{jw})| of the whole chain without the gain word.
    double ChainMagnitude(double w) const;
};

// Fits design.TargetCurve x 10^(levelDb/20) / measured over [lower, upper]
// Hz with design.StageCount stages at design.SampleRate and returns the
// error (sum of squared linear-magnitude residuals) of the parameters kept.
// Raises std::logic_error("Can't allocate 0 sized array") for a target
// without points at or below the Nyquist frequency.
double FitCorrectionFilter(FilterDesign& design, const signal::CCurve& measured, const FitOptions& options, double lower,
                           double upper, double levelDb);

// The band the fit leaves unmodified by its edge blends, in Hz: lower x
// sqrt(2) up to min(upper / sqrt(2), rate / 4, 12000) (upper doubled first
// with widenTop).
struct FitBand {
    double lower = 0.0;
    double upper = 0.0;
};
FitBand FittedBand(std::int32_t sampleRate, double lower, double upper, bool widenTop);

}  // namespace halvane::design
