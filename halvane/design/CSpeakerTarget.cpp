#include "halvane/design/CSpeakerTarget.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "halvane/design/CrossoverSearch.h"
#include "halvane/design/CurveLevel.h"
#include "halvane/design/SectionCoeffs.h"
#include "halvane/signal/CCurve.h"

namespace halvane::design {

namespace {

constexpr double kShelfCentreHz = 200.0;
constexpr double kFitBottomHz = 3000.0;
constexpr double kFitTopHz = 21000.0;
constexpr double kFirstTopQ = 30.0;
constexpr double kTopQStep = 1.05;
constexpr double kLowestQ = 0.5;
constexpr double kMaxTopDeviationDb = 6.0;
constexpr double kUnscored = 1e300;

}  // namespace

double CSpeakerTarget::LevelMatchGain(signal::CCurve& a, const signal::CCurve& b) const {
    const double lo = std::max(CrossoverHz() / 2, 15);
    return MatchLevel(a, b, lo, maxEq_);
}

void CSpeakerTarget::GenerateTargetCurve(signal::CCurve& curve) const {
    KeepBelowNyquist(curve);
    const double fs = SampleRate();
    const double half = SampleRate() / 2;
    const SectionCoeffs highPass =
        SectionCoeffs::WithPoles(SectionCoeffs::Zeros::AtDc, CrossoverValue(), kButterworthQ, fs);
    const double root = std::sqrt(ShelfRatio());
    const SectionCoeffs shelf = SectionCoeffs::ZerosAndPoles(kShelfCentreHz * root, kButterworthQ,
                                                             kShelfCentreHz / root, kButterworthQ, fs);
    const SectionCoeffs rollOff = SectionCoeffs::WithPoles(SectionCoeffs::Zeros::AtNyquist, half, topQ_, fs);
    const double g = highPass.Magnitude(half) * shelf.Magnitude(half) * rollOff.Magnitude(0.0);

    // Magnitudes multiply and phases add, section by section.
    highPass.Fill(curve);
    signal::CCurve work;
    curve.CopyTo(work);
    shelf.Fill(work);
    curve.Multiply(work);
    rollOff.Fill(work);
    curve.Multiply(work);
    curve.MultiplyByComplex(1.0 / g, 0.0);
}

std::int32_t CSpeakerTarget::DetectCrossover(const CurveList& curves, ConTypes::CrossoverIterator& choices) {
    return CrossoverSearch::Run(*this, CrossoverSearch::Model::HighPass, curves, choices, SearchLow(), SearchHigh());
}

void CSpeakerTarget::AnalyzeResponse(const CurveList& curves) {
    const double fs = SampleRate();
    const double half = SampleRate() / 2;
    const double refTop = half - 1.0;
    const double bandTop = std::min(half - 1.0, kFitTopHz);

    // The measured levels and weights do not depend on the candidate.
    struct Point {
        double f, level, weight;
    };
    std::vector<Point> points;
    for (const signal::CCurve* m : curves) {
        if (m == nullptr) continue;
        const int n = m->Count();
        const double* x = m->X();
        double ref = -std::numeric_limits<double>::infinity();
        for (int i = 0; i < n; ++i) {
            if (x[i] >= kFitBottomHz && x[i] <= refTop) ref = std::max(ref, LevelDbAt(*m, i));
        }
        for (int i = 0; i < n; ++i) {
            if (!(x[i] >= kFitBottomHz && x[i] < bandTop)) continue;
            const double level = LevelDbAt(*m, i);
            points.push_back({x[i], level, std::pow(10.0, (level - ref) / 20.0)});
        }
    }

    double best1 = kUnscored;
    double best2 = kUnscored;
    double q2 = kFirstTopQ;
    bool scored = false;
    bool accepted = false;
    std::vector<double> model(points.size());
    for (double q = kFirstTopQ; q >= kLowestQ; q /= kTopQStep) {
        const SectionCoeffs section = SectionCoeffs::WithPoles(SectionCoeffs::Zeros::AtNyquist, half, q, fs);
        double sum = 0.0;
        double weights = 0.0;
        for (std::size_t i = 0; i < points.size(); ++i) {
            model[i] = ToLevelDb(section.Magnitude(points[i].f));
            sum += (model[i] - points[i].level) * points[i].weight;
            weights += points[i].weight;
        }
        // Without a weighted point the score would be 0 / 0: nothing to judge.
        if (!(weights > 0.0)) continue;
        const double offset = -(sum / weights);
        double e = 0.0;
        double w = 0.0;
        double dmax = -std::numeric_limits<double>::infinity();
        for (std::size_t i = 0; i < points.size(); ++i) {
            const double d = model[i] + offset - points[i].level;
            e += d * d * points[i].weight;
            w += points[i].weight;
            dmax = std::max(dmax, d);
        }
        const double err = e / w;
        if (!std::isfinite(err)) continue;
        scored = true;
        if (err < best1 && dmax <= kMaxTopDeviationDb) {
            best1 = err;
            topQ_ = q;
            accepted = true;
        } else if (err < best2) {
            best2 = err;
            q2 = q;
        }
    }
    if (!scored) {
        topQ_ = kDefaultTopQ;
    } else if (!accepted) {
        topQ_ = q2;
    }
}

double CSpeakerTarget::LowerEqLimit() const { return std::max(CrossoverHz() / 3.0, kLowestEqLimit); }

double CSpeakerTarget::UpperEqLimit() const { return std::min(SampleRate() / 2.0, maxEq_); }

void CSpeakerTarget::SetMaxEqFrequency(double hz) { maxEq_ = std::min(hz, kHighestMaxEq); }

}  // namespace halvane::design
