// CSpeakerTarget::EstimateRoomGain: the room's bass lift as a shelf ratio.
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "halvane/design/CSpeakerTarget.h"
#include "halvane/design/CurveLevel.h"
#include "halvane/design/SectionCoeffs.h"
#include "halvane/signal/CCurve.h"

namespace halvane::design {

namespace {

constexpr double kShelfCentreHz = 200.0;
constexpr double kMidLowHz = 400.0;
constexpr double kMidHighHz = 3000.0;
constexpr double kRatioStep = 0.005;
// 10^0.1: a lift of at most 4 dB.
constexpr double kHighestRatio = 1.2589254117941673;

// One curve's judged points: magnitudes brought to 1 in the mid band.
struct Judged {
    std::vector<double> f, scaled;
};

}  // namespace

void CSpeakerTarget::EstimateRoomGain(const CurveList& curves, ConTypes::CrossoverIterator& choices) {
    const double fs = SampleRate();
    std::vector<Judged> judged;
    for (signal::CCurve* m : curves) {
        if (m == nullptr) continue;
        // The curve's own crossover, found on a copy so that this target
        // keeps the crossover its caller set (the band below starts there).
        CSpeakerTarget probe(*this);
        const double own = probe.DetectCrossover(CurveList{m}, choices);

        const int n = m->Count();
        const double* x = m->X();
        double midPeak = 0.0;
        double ref = 0.0;
        for (int i = 0; i < n; ++i) {
            const double a = MagnitudeAt(*m, i);
            if (x[i] >= kMidLowHz && x[i] <= kMidHighHz) midPeak = std::max(midPeak, a);
            if (x[i] >= CrossoverValue() && x[i] <= kMidHighHz) ref = std::max(ref, a);
        }
        double count = 0.0;
        double sum = 0.0;
        for (int i = 0; i < n; ++i) {
            const double a = MagnitudeAt(*m, i);
            if (x[i] >= kMidLowHz && x[i] <= kMidHighHz && a >= midPeak / 2.0) {
                count += 1.0;
                sum += a;
            }
        }
        if (!(sum > 0.0)) continue;
        const double k = count / sum;
        Judged j;
        for (int i = 0; i < n; ++i) {
            const double a = MagnitudeAt(*m, i);
            if (x[i] >= own && x[i] <= kMidHighHz && a >= ref / 2.0) {
                j.f.push_back(x[i]);
                j.scaled.push_back(k * a);
            }
        }
        if (!j.f.empty()) judged.push_back(std::move(j));
    }

    // The candidates 1 + 0.005 k, each scored on its own (by multiplication,
    // so no step error piles up).
    std::vector<double> ratios;
    for (int k = 0; 1.0 + kRatioStep * k <= kHighestRatio; ++k) ratios.push_back(1.0 + kRatioStep * k);
    std::vector<double> err(ratios.size(), std::numeric_limits<double>::quiet_NaN());
    for (std::size_t k = 0; k < ratios.size(); ++k) {
        const double v = ratios[k];
        const double root = std::sqrt(v);
        const SectionCoeffs shelf = SectionCoeffs::ZerosAndPoles(kShelfCentreHz * root, kButterworthQ,
                                                                 kShelfCentreHz / root, kButterworthQ, fs);
        double e = 0.0;
        double points = 0.0;
        for (const Judged& j : judged) {
            for (std::size_t i = 0; i < j.f.size(); ++i) {
                const double d = shelf.Magnitude(j.f[i]) - j.scaled[i];
                e += d * d;
                points += 1.0;
            }
        }
        err[k] = points > 0.0 ? e / points : std::numeric_limits<double>::quiet_NaN();
    }

    // The smallest error, the first on ties; nothing judged means no lift.
    double best = std::numeric_limits<double>::infinity();
    double ratio = 1.0;
    for (std::size_t k = 0; k < ratios.size(); ++k) {
        if (err[k] < best) {
            best = err[k];
            ratio = ratios[k];
        }
    }
    SetShelfRatio(ratio);
}

}  // namespace halvane::design
