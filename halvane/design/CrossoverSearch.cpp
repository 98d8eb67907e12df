#include "halvane/design/CrossoverSearch.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "halvane/design/CBaseTarget.h"
#include "halvane/design/CurveLevel.h"
#include "halvane/design/SectionCoeffs.h"
#include "halvane/signal/CCurve.h"

namespace halvane::design {

namespace {

constexpr double kLowestPointHz = 5.0;
constexpr double kHighestPointHz = 2000.0;
// The speaker's peak is looked for here; F18 lies 18 dB below it.
constexpr double kPeakLowHz = 20.0;
constexpr double kPeakHighHz = 2000.0;
constexpr double kReferenceDropDb = 18.0;
// The high-pass gain band reaches at least this high, the low-pass band
// starts here.
constexpr double kHighPassBandTopHz = 400.0;
constexpr double kLowPassBandBottomHz = 20.0;
// The pass-band weight raise of a main speaker stops here.
constexpr double kPassRaiseTopHz = 200.0;
constexpr double kPassFloorDb = -9.0;
constexpr double kStopFloorDb = -18.0;
constexpr int kNeighbours = 10;
constexpr double kSqrt2 = 1.4142135623730951;
constexpr double kNothingAccepted = 1e300;
// Where the acceptance gets stricter: a higher crossover must pay for itself.
constexpr std::int32_t kStrictFromHz = 120;

}  // namespace

CrossoverSearch::CrossoverSearch(Model model, double sampleRate, const CurveList& curves)
    : model_(model), sampleRate_(sampleRate) {
    for (const signal::CCurve* m : curves) {
        if (m == nullptr) continue;
        Curve c;
        for (int i = 0; i < m->Count(); ++i) {
            const double f = m->X()[i];
            if (!(f >= kLowestPointHz && f <= kHighestPointHz)) continue;
            c.x.push_back(f);
            c.level.push_back(LevelDbAt(*m, i));
            c.magnitude.push_back(MagnitudeAt(*m, i));
            c.z1.push_back(SectionCoeffs::UnitPoint(f, sampleRate));
            c.z2.push_back(SectionCoeffs::UnitPoint(2.0 * f, sampleRate));
        }
        if (c.x.empty()) continue;
        c.smoother = DeviationSmoother(c.x.data(), static_cast<int>(c.x.size()));
        curves_.push_back(std::move(c));
    }

    // The highest level over all curves (the first point wins on ties).
    double peak = -std::numeric_limits<double>::infinity();
    double peakHz = 0.0;
    for (const Curve& c : curves_) {
        for (std::size_t i = 0; i < c.x.size(); ++i) {
            if (c.x[i] >= kPeakLowHz && c.x[i] <= kPeakHighHz && c.level[i] > peak) {
                peak = c.level[i];
                peakHz = c.x[i];
            }
        }
    }
    const double level = peak - kReferenceDropDb;
    if (model_ == Model::HighPass) {
        // From the first point at or above the peak downwards, the first
        // point below the reference; the highest such frequency.
        f18_ = 0.0;
        if (!std::isfinite(peak)) return;
        for (const Curve& c : curves_) {
            const int n = static_cast<int>(c.x.size());
            int i = 0;
            while (i < n && c.x[i] < peakHz) ++i;
            if (i == n) i = n - 1;
            double crossing = c.x[0];
            for (; i >= 0; --i) {
                if (c.level[i] < level) {
                    crossing = c.x[i];
                    break;
                }
            }
            f18_ = std::max(f18_, crossing);
        }
    } else {
        // From the last point at or below the peak upwards; the lowest.
        f18_ = std::numeric_limits<double>::infinity();
        if (!std::isfinite(peak)) return;
        for (const Curve& c : curves_) {
            const int n = static_cast<int>(c.x.size());
            int i = n - 1;
            while (i > 0 && c.x[i] > peakHz) --i;
            double crossing = c.x[n - 1];
            for (; i < n; ++i) {
                if (c.level[i] < level) {
                    crossing = c.x[i];
                    break;
                }
            }
            f18_ = std::min(f18_, crossing);
        }
    }
}

std::vector<std::int32_t> CrossoverSearch::Candidates(ConTypes::CrossoverIterator& choices, std::int32_t low,
                                                      std::int32_t high) {
    std::vector<std::int32_t> out;
    choices.Seek(low);
    ConTypes::CrossoverChoice choice;
    while (choices.Current(&choice) != nullptr && choice.first <= high) {
        out.push_back(choice.first);
        choices.Next();
    }
    return out;
}

CrossoverSearch::Score CrossoverSearch::Evaluate(std::int32_t hz) const {
    Score score;
    score.hz = hz;
    const double g = hz;
    const bool highPass = model_ == Model::HighPass;
    const SectionCoeffs section =
        SectionCoeffs::WithPoles(highPass ? SectionCoeffs::Zeros::AtDc : SectionCoeffs::Zeros::AtNyquist, g,
                                 CBaseTarget::kButterworthQ, sampleRate_);
    const double norm = section.Magnitude(highPass ? sampleRate_ / 2.0 : 0.0);
    if (!(norm > 0.0)) return score;

    const double gainLo = highPass ? g / 2.0 : kLowPassBandBottomHz;
    const double gainHi = highPass ? std::max(4.0 * g, kHighPassBandTopHz) : 2.0 * g;
    // Beyond F18 the speaker has little output left to judge, but half an
    // octave of the stop band always stays: a choice must not look better
    // because its own stop band was cut away.
    const double judgedLo = highPass ? std::max(g / 2.0, std::min(f18_, g / kSqrt2)) : gainLo;
    const double judgedHi = highPass ? gainHi : std::min(gainHi, std::max(f18_, g * kSqrt2));

    // The model on every curve's points, and the one gain for all curves.
    std::vector<std::vector<double>> model(curves_.size());
    double num = 0.0;
    double den = 0.0;
    for (std::size_t c = 0; c < curves_.size(); ++c) {
        const Curve& cv = curves_[c];
        auto& m = model[c];
        m.resize(cv.x.size());
        for (std::size_t i = 0; i < cv.x.size(); ++i) {
            m[i] = std::abs(section.ResponseAt(cv.z1[i], cv.z2[i])) / norm;
            if (cv.x[i] >= gainLo && cv.x[i] <= gainHi) {
                num += m[i] * cv.magnitude[i];
                den += m[i] * m[i];
            }
        }
    }
    if (!(den > 0.0) || !(num > 0.0)) return score;
    const double gainDb = 20.0 * std::log10(num / den);
    if (!std::isfinite(gainDb)) return score;

    double sumAbs = 0.0;
    double sumW = 0.0;
    double X = -std::numeric_limits<double>::infinity();
    double Y = -std::numeric_limits<double>::infinity();
    double Z = -std::numeric_limits<double>::infinity();
    std::vector<double> deviation, smoothed, judged;
    for (std::size_t c = 0; c < curves_.size(); ++c) {
        const Curve& cv = curves_[c];
        const std::size_t n = cv.x.size();
        deviation.assign(n, 0.0);
        smoothed.resize(n);
        std::vector<double> modelDb(n);
        for (std::size_t i = 0; i < n; ++i) {
            modelDb[i] = ToLevelDb(model[c][i]);
            if (cv.x[i] >= judgedLo && cv.x[i] <= judgedHi) deviation[i] = modelDb[i] + gainDb - cv.level[i];
        }
        cv.smoother.Apply(deviation.data(), smoothed.data());
        judged.clear();
        for (std::size_t i = 0; i < n; ++i) {
            const double f = cv.x[i];
            if (!(f >= judgedLo && f <= judgedHi)) continue;
            double d = deviation[i] < 0.0 ? -smoothed[i] : smoothed[i];
            // Stop band: below g for the high-pass, above g for the low-pass.
            const bool stop = highPass ? f < g : f > g;
            const bool passRaise = highPass ? (f >= g && f <= kPassRaiseTopHz) : (f <= g && f >= kLowPassBandBottomHz);
            const bool deepFloor = highPass ? f <= g : f >= g;
            d = std::max(d, deepFloor ? kStopFloorDb : kPassFloorDb);
            double w = std::pow(10.0, modelDb[i] / 40.0);
            if (stop && d > 3.0) w += (d - 3.0) / 2.0;
            if (passRaise && d > 6.0) w += (d - 6.0) / 3.0;
            sumAbs += std::fabs(d) * w;
            sumW += w;
            X = std::max(X, d);
            Y = std::max(Y, d * w);
            judged.push_back(d);
        }
        // The largest mean over 10 neighbouring points (all of them when the
        // band holds fewer).
        const std::size_t span = std::min<std::size_t>(kNeighbours, judged.size());
        for (std::size_t s = 0; span > 0 && s + span <= judged.size(); ++s) {
            double sum = 0.0;
            for (std::size_t k = 0; k < span; ++k) sum += judged[s + k];
            Z = std::max(Z, sum / static_cast<double>(span));
        }
    }
    if (!(sumW > 0.0)) return score;
    const double I = sumAbs / sumW;
    if (!std::isfinite(I)) return score;
    score.judged = true;
    score.I = I;
    score.X = X;
    score.Y = Y;
    score.Z = Z;
    return score;
}

bool CrossoverSearch::Accepts(const Score& s, double lastAcceptedI) {
    if (!s.judged) return false;
    if (s.hz < kStrictFromHz) {
        return s.I < lastAcceptedI && ((s.X <= 10.0 && s.Y <= 24.0) || s.Y <= 6.0 || s.Z <= 7.0);
    }
    return (lastAcceptedI - s.I) / s.I > 0.1 && ((s.X <= 8.0 && s.Y <= 24.0) || s.Y <= 5.0 || s.Z <= 6.0);
}

std::int32_t CrossoverSearch::Propose(const std::vector<std::int32_t>& candidates) const {
    // Each choice is scored on its own, on the calling thread: a whole 7.1
    // detection takes about 20 ms, and a thread team woken for it cost 25
    // times that on a busy machine.
    std::vector<Score> scores;
    scores.reserve(candidates.size());
    for (std::int32_t g : candidates) scores.push_back(Evaluate(g));

    double lastAccepted = kNothingAccepted;
    bool accepted = false;
    std::int32_t result = CBaseTarget::kDefaultCrossover;
    double smallest = kNothingAccepted;
    bool remembered = false;
    std::int32_t best = CBaseTarget::kDefaultCrossover;
    for (const Score& s : scores) {
        if (!s.judged) continue;
        if (Accepts(s, lastAccepted)) {
            lastAccepted = s.I;
            result = s.hz;
            accepted = true;
        } else if (s.I < smallest) {
            smallest = s.I;
            best = s.hz;
            remembered = true;
        }
    }
    if (accepted) return result;
    return remembered ? best : CBaseTarget::kDefaultCrossover;
}

std::int32_t CrossoverSearch::Run(CBaseTarget& target, Model model, const CurveList& curves,
                                  ConTypes::CrossoverIterator& choices, std::int32_t low, std::int32_t high) {
    target.SetCrossover(CBaseTarget::kDefaultCrossover);
    const CrossoverSearch search(model, target.SampleRate(), curves);
    const std::int32_t hz = search.Propose(Candidates(choices, low, high));
    target.SetCrossover(hz);
    return hz;
}

}  // namespace halvane::design
