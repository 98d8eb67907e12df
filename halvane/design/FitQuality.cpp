#include "halvane/design/FitQuality.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "halvane/signal/CCurve.h"

namespace halvane::design {

namespace {

// Level differences in dB at the target's points in [fLow, fHigh]; the
// measured curve is read at those frequencies.
std::vector<double> Differences(const signal::CCurve& measured, const signal::CCurve& target, const FilterDesign* design,
                                double levelDb, double fLow, double fHigh) {
    signal::CCurve m;
    measured.CopyTo(m);
    m.ToPolar();
    signal::CCurve t;
    target.CopyTo(t);
    t.ToPolar();
    const double gain = design ? std::pow(10.0, design->GainSteps / 40.0) : 1.0;
    std::vector<double> e;
    int s = 0;
    for (int i = 0; i < t.Count(); ++i) {
        const double f = t.X()[i];
        if (f < fLow || f > fHigh) continue;
        while (s + 1 < m.Count() && m.X()[s + 1] <= f) ++s;
        double mm = m.ValueAt(s, f).first;
        if (design) mm *= design->ChainMagnitude(2.0 * std::numbers::pi * f / design->SampleRate) * gain;
        e.push_back(20.0 * std::log10(mm) - 20.0 * std::log10(t.A()[i]) - levelDb);
    }
    return e;
}

BandError Summarise(std::vector<double> e) {
    BandError r;
    r.points = static_cast<int>(e.size());
    if (e.empty()) return r;
    double sum = 0.0;
    for (double v : e) sum += v * v;
    r.rms = std::sqrt(sum / static_cast<double>(e.size()));
    for (double& v : e) v = std::abs(v);
    std::sort(e.begin(), e.end());
    r.max = e.back();
    r.p95 = e[std::min(e.size() - 1, static_cast<std::size_t>(std::ceil(0.95 * static_cast<double>(e.size()))) - 1)];
    return r;
}

}  // namespace

BandError MeasureBandError(const signal::CCurve& measured, const signal::CCurve& target, const FilterDesign& design, double levelDb,
                           double fLow, double fHigh) {
    return Summarise(Differences(measured, target, &design, levelDb, fLow, fHigh));
}

BandError UncorrectedBandError(const signal::CCurve& measured, const signal::CCurve& target, double levelDb, double fLow,
                               double fHigh) {
    std::vector<double> e = Differences(measured, target, nullptr, levelDb, fLow, fHigh);
    double mean = 0.0;
    for (double v : e) mean += v;
    if (!e.empty()) mean /= static_cast<double>(e.size());
    for (double& v : e) v -= mean;
    return Summarise(std::move(e));
}

FilterDesign QuantisedStages(const FilterDesign& design, const CoefficientLattice& lattice) {
    FilterDesign q;
    q.SampleRate = design.SampleRate;
    q.StageCount = design.StageCount;
    q.GainSteps = design.GainSteps;
    q.B0 = design.B0;
    q.B1 = design.B1;
    q.B2 = design.B2;
    q.A0 = design.A0;
    q.A1 = design.A1;
    q.A2 = design.A2;
    ChooseHeldCoefficients(q, lattice);
    return q;
}

}  // namespace halvane::design
