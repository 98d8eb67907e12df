#include "halvane/design/CSubwooferTarget.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <vector>

#include "halvane/design/CrossoverSearch.h"
#include "halvane/design/CurveLevel.h"
#include "halvane/design/DeviationSmoother.h"
#include "halvane/design/SectionCoeffs.h"
#include "halvane/design/TargetConfig.h"
#include "halvane/signal/CCurve.h"

namespace halvane::design {

namespace {

constexpr double kFirstExtensionHz = 5.0;
constexpr double kExtensionStep = 1.05;
constexpr double kFirstExtensionQ = 0.8;
constexpr double kExtensionQStep = 1.0125;
constexpr double kLowestQ = 0.5;
constexpr double kMaxDeviationDb = 12.0;
// The second measure: a candidate whose smoothed deviation has a weighted
// RMS of at most 6 dB is admitted even past the 12 dB peak limit (one narrow
// room dip must not disqualify an otherwise good fit).
constexpr double kMaxRmsDeviationDb = 6.0;
constexpr double kUnscored = 1e300;
// No band of the fit starts below 15 Hz.
constexpr double kLowestJudgedHz = 15.0;

// A curve filled with `section` and then squared: magnitudes squared,
// phases doubled (a fourth-order section).
void FillSquared(const SectionCoeffs& section, signal::CCurve& curve) {
    section.Fill(curve);
    curve.ToPolar();
    const int n = curve.Count();
    double* a = curve.A();
    double* b = curve.B();
    for (int i = 0; i < n; ++i) {
        a[i] *= a[i];
        b[i] *= 2.0;
    }
}

}  // namespace

CSubwooferTarget CSubwooferTarget::ForConfiguration(std::int32_t sampleRate, const TargetConfig& config, int cfg) {
    const auto c = static_cast<std::size_t>(cfg);
    return CSubwooferTarget(sampleRate, config.MinSubEqFrequency.at(c), config.SubHighPassFrequency.at(c),
                            config.SubHighPassOrder.at(c));
}

double CSubwooferTarget::LevelMatchGain(signal::CCurve& a, const signal::CCurve& b) const {
    return MatchLevel(a, b, std::max(extension_ / 2.0, 15.0), 2.0 * CrossoverHz());
}

void CSubwooferTarget::GenerateTargetCurve(signal::CCurve& curve) const {
    KeepBelowNyquist(curve);
    const double fs = SampleRate();
    const double half = SampleRate() / 2;
    const int n = curve.Count();
    double g = 1.0;
    if (highPassOrder_ == 0) {
        const SectionCoeffs highPass = SectionCoeffs::WithPoles(SectionCoeffs::Zeros::AtDc, extension_, extensionQ_, fs);
        FillSquared(highPass, curve);
        const double m = highPass.Magnitude(half);
        g = m * m;
    } else if (highPassOrder_ >= 2) {
        // A Butterworth magnitude of order k - 1, zero phase; 0 Hz (where
        // it has no level) takes the floor.
        const double twiceOrder = 2.0 * (highPassOrder_ - 1);
        curve.Values().SetForm(signal::CComplexVector::Decibel);
        const double* x = curve.X();
        double* a = curve.A();
        double* b = curve.B();
        for (int i = 0; i < n; ++i) {
            const double level = -10.0 * std::log10(1.0 + std::pow(highPassFrequency_ / x[i], twiceOrder));
            a[i] = std::isfinite(level) ? std::max(level, signal::CComplexVector::kFloorDb) : signal::CComplexVector::kFloorDb;
            b[i] = 0.0;
        }
    } else {
        // No high-pass: unity with zero phase everywhere (dividing the curve
        // by itself would give 0 / 0 at any silent point).
        curve.Values().SetForm(signal::CComplexVector::Polar);
        std::fill(curve.A(), curve.A() + n, 1.0);
        std::fill(curve.B(), curve.B() + n, 0.0);
    }

    const SectionCoeffs lowPass =
        SectionCoeffs::WithPoles(SectionCoeffs::Zeros::AtNyquist, CrossoverValue(), kButterworthQ, fs);
    signal::CCurve work;
    curve.CopyTo(work);
    FillSquared(lowPass, work);
    curve.Multiply(work);
    const double m = lowPass.Magnitude(0.0);
    g *= m * m;

    curve.MultiplyByComplex(1.0 / g, 0.0);
    double* a = curve.A();
    double peak = 0.0;
    for (int i = 0; i < n; ++i) peak = std::max(peak, a[i]);
    // Dividing (not multiplying by the reciprocal) makes the peak exactly 1.
    if (peak > 0.0 && std::isfinite(peak)) {
        for (int i = 0; i < n; ++i) a[i] /= peak;
    }
}

std::int32_t CSubwooferTarget::DetectCrossover(const CurveList& curves, ConTypes::CrossoverIterator& choices) {
    return CrossoverSearch::Run(*this, CrossoverSearch::Model::LowPass, curves, choices, subSearchLow_, subSearchHigh_);
}

double CSubwooferTarget::ExtensionModelDb(double f, double f0, double q) const {
    const double fs = SampleRate();
    const double half = SampleRate() / 2;
    const SectionCoeffs highPass = SectionCoeffs::WithPoles(SectionCoeffs::Zeros::AtDc, f0, q, fs);
    const SectionCoeffs lowPass =
        SectionCoeffs::WithPoles(SectionCoeffs::Zeros::AtNyquist, CrossoverValue(), kButterworthQ, fs);
    const double h = highPass.Magnitude(f) / highPass.Magnitude(half);
    const double l = lowPass.Magnitude(f) / lowPass.Magnitude(0.0);
    return ToLevelDb(h * h * l * l);
}

void CSubwooferTarget::AnalyzeResponse(const CurveList& curves) {
    if (highPassOrder_ != 0 || !(CrossoverValue() > kFirstExtensionHz)) return;
    const double xo = CrossoverValue();
    const double fs = SampleRate();
    const double half = SampleRate() / 2;
    const SectionCoeffs lowPass = SectionCoeffs::WithPoles(SectionCoeffs::Zeros::AtNyquist, xo, kButterworthQ, fs);
    const double lowPassNorm = lowPass.Magnitude(0.0);

    // Every band judged lies within [15 Hz, 2 x crossover); on the measured
    // grids the smoothing windows reach less than half an octave beyond it. Each curve keeps
    // the points from 7.5 Hz to 4 x crossover, with what does not depend on
    // the candidate: levels, the unit-circle points, the squared low-pass
    // and the smoothing weights.
    struct Measured {
        std::vector<double> x, level, lowPassSquared;
        std::vector<std::complex<double>> z1, z2;
        DeviationSmoother smoother{nullptr, 0};
    };
    std::vector<Measured> measured;
    for (const signal::CCurve* m : curves) {
        if (m == nullptr) continue;
        Measured c;
        for (int i = 0; i < m->Count(); ++i) {
            const double f = m->X()[i];
            if (f < kLowestJudgedHz / 2.0 || f > 4.0 * xo) continue;
            c.x.push_back(f);
            c.level.push_back(LevelDbAt(*m, i));
            c.z1.push_back(SectionCoeffs::UnitPoint(f, fs));
            c.z2.push_back(SectionCoeffs::UnitPoint(2.0 * f, fs));
            const double l = lowPass.Magnitude(f) / lowPassNorm;
            c.lowPassSquared.push_back(l * l);
        }
        if (c.x.empty()) continue;
        c.smoother = DeviationSmoother(c.x.data(), static_cast<int>(c.x.size()));
        measured.push_back(std::move(c));
    }

    double best1 = kUnscored;
    double best2 = kUnscored;
    double bestF = kDefaultExtension;
    double bestQ = kDefaultExtensionQ;
    bool accepted = false;
    bool remembered = false;
    std::vector<std::vector<double>> model(measured.size());
    std::vector<double> deviation, smoothed;
    for (double f0 = kFirstExtensionHz; f0 < xo; f0 *= kExtensionStep) {
        const double offsetLo = std::max(f0 / 2.0, kLowestJudgedHz);
        const double top = std::max(xo, 2.0 * f0);
        const double judgedLo = std::max(std::min(f0 / 2.0, 20.0), kLowestJudgedHz);
        for (double q = kFirstExtensionQ; q >= kLowestQ; q /= kExtensionQStep) {
            const SectionCoeffs highPass = SectionCoeffs::WithPoles(SectionCoeffs::Zeros::AtDc, f0, q, fs);
            const double highPassNorm = highPass.Magnitude(half);
            // One offset for all curves: the positions keep their levels
            // relative to each other.
            double sum = 0.0;
            double weights = 0.0;
            for (std::size_t c = 0; c < measured.size(); ++c) {
                const Measured& mc = measured[c];
                auto& mdl = model[c];
                mdl.assign(mc.x.size(), 0.0);
                for (std::size_t i = 0; i < mc.x.size(); ++i) {
                    if (mc.x[i] > top) break;
                    const double h = std::abs(highPass.ResponseAt(mc.z1[i], mc.z2[i])) / highPassNorm;
                    mdl[i] = ToLevelDb(h * h * mc.lowPassSquared[i]);
                    if (mc.x[i] >= offsetLo) {
                        const double w = std::pow(10.0, mdl[i] / 40.0);
                        sum += (mdl[i] - mc.level[i]) * w;
                        weights += w;
                    }
                }
            }
            if (!(weights > 0.0)) continue;
            const double offset = -(sum / weights);

            // The deviation, 0 outside the judged band, smoothed; its
            // weighted mean square is the score and its peak the deviation.
            double e = 0.0;
            double w = 0.0;
            double largest = 0.0;
            for (std::size_t c = 0; c < measured.size(); ++c) {
                const Measured& mc = measured[c];
                const std::size_t n = mc.x.size();
                deviation.assign(n, 0.0);
                smoothed.resize(n);
                for (std::size_t i = 0; i < n; ++i) {
                    if (mc.x[i] >= judgedLo && mc.x[i] <= top) deviation[i] = model[c][i] + offset - mc.level[i];
                }
                mc.smoother.Apply(deviation.data(), smoothed.data());
                for (std::size_t i = 0; i < n; ++i) {
                    if (!(mc.x[i] >= judgedLo && mc.x[i] <= top)) continue;
                    const double wi = std::pow(10.0, model[c][i] / 40.0);
                    e += smoothed[i] * smoothed[i] * wi;
                    w += wi;
                    largest = std::max(largest, smoothed[i]);
                }
            }
            if (!(w > 0.0)) continue;
            const double err = e / w;
            if (!std::isfinite(err)) continue;
            if (err < best1 && (largest <= kMaxDeviationDb || std::sqrt(err) <= kMaxRmsDeviationDb)) {
                best1 = err;
                extension_ = f0;
                extensionQ_ = q;
                accepted = true;
            } else if (err < best2) {
                best2 = err;
                bestF = f0;
                bestQ = q;
                remembered = true;
            }
        }
    }
    if (!accepted) {
        // The remembered best, or the defaults when nothing could be scored.
        extension_ = remembered ? bestF : kDefaultExtension;
        extensionQ_ = remembered ? bestQ : kDefaultExtensionQ;
    }
}

double CSubwooferTarget::LowerEqLimit() const {
    if (highPassOrder_ == 0) return std::max(extension_ / 2.0, kLowestEqLimit);
    return std::max(static_cast<double>(minSubEq_), kLowestEqLimit);
}

double CSubwooferTarget::UpperEqLimit() const { return std::min(3.0 * CrossoverHz(), maxEq_); }

void CSubwooferTarget::SetMaxEqFrequency(double hz) { maxEq_ = std::min(hz, kHighestMaxEq); }

}  // namespace halvane::design
