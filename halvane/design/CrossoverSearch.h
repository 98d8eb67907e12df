#pragma once

#include <complex>
#include <cstdint>
#include <vector>

#include "halvane/design/CrossoverIterator.h"
#include "halvane/design/CurveList.h"
#include "halvane/design/DeviationSmoother.h"

namespace halvane::design {

class CBaseTarget;

// The crossover detector both targets share. A main speaker is judged
// against a second-order high-pass at each choice (zeros at 0 Hz, Q 1/sqrt 2),
// the subwoofer against the low-pass (zeros at Nyquist); each model is
// normalised to 0 dB in its pass band.
//
// For one choice g:
//  - one least-squares gain (linear magnitudes) of the model to all curves
//    together over the gain band: high-pass [g/2, max(4g, 400)], low-pass
//    [20, 2g];
//  - the deviation d = model + gain - measured (dB) over the judged band
//    (0 elsewhere), smoothed by the deviation smoothing (10^0.6) and given
//    the sign of the raw deviation at the point. The judged band is the gain
//    band cut where the speaker has fallen 18 dB below its peak (F18: the
//    highest lower crossing over the curves for a main speaker, the lowest
//    upper crossing for the subwoofer), but it always keeps the pass band
//    and half an octave of the stop band next to g;
//  - in the stop band d is floored at -18 dB, in the pass band at -9 dB, so a
//    room mode lifting the measurement weighs little;
//  - weight w = 10^(model level / 40), raised by (d - 3) / 2 in the stop band
//    where d > 3 dB and by (d - 6) / 3 in the pass band up to 200 Hz (down
//    from g to 20 Hz for the subwoofer) where d > 6 dB;
//  - I = sum(|d| w) / sum(w), X = max d, Y = max d w, Z = the largest mean
//    of d over 10 neighbouring points of one curve.
// A positive deviation means the speaker falls below the model: the choice
// is too low for it.
//
// Acceptance in rising order, H the I of the last accepted choice (1e300
// before any): below 120 Hz when I < H and (X <= 10 and Y <= 24, or Y <= 6,
// or Z <= 7); from 120 Hz when (H - I) / I > 0.1 and (X <= 8 and Y <= 24, or
// Y <= 5, or Z <= 6). The result is the last accepted choice, else the
// choice with the smallest I (first on ties), else 80.
//
// Every score is summed in one fixed order on the calling thread, so the
// same curves give the same proposal whatever the thread count.
class CrossoverSearch {
public:
    enum class Model { HighPass, LowPass };

    struct Score {
        std::int32_t hz = 0;
        bool judged = false;
        double I = 0.0;
        double X = 0.0;
        double Y = 0.0;
        double Z = 0.0;
    };

    CrossoverSearch(Model model, double sampleRate, const CurveList& curves);

    // The choices the search range [low, high] covers: from the last choice
    // at or below `low` while the choice is at most `high`.
    static std::vector<std::int32_t> Candidates(ConTypes::CrossoverIterator& choices, std::int32_t low,
                                                std::int32_t high);
    Score Evaluate(std::int32_t g) const;
    // The proposal for the candidates (rising), by the acceptance above.
    std::int32_t Propose(const std::vector<std::int32_t>& candidates) const;
    // The proposal for the target's search range; sets the target's
    // crossover to it.
    static std::int32_t Run(CBaseTarget& target, Model model, const CurveList& curves,
                            ConTypes::CrossoverIterator& choices, std::int32_t low, std::int32_t high);

    static bool Accepts(const Score& s, double lastAcceptedI);

private:
    // What a curve offers every choice: its points from 5 to 2000 Hz (every
    // band lies well inside), their levels, magnitudes and unit-circle
    // points, and the smoothing weights on that axis.
    struct Curve {
        std::vector<double> x, level, magnitude;
        std::vector<std::complex<double>> z1, z2;
        DeviationSmoother smoother{nullptr, 0};
    };
    Model model_;
    double sampleRate_;
    double f18_;
    std::vector<Curve> curves_;
};

}  // namespace halvane::design
