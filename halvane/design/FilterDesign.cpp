#include "halvane/design/FilterDesign.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <numeric>

#include "halvane/design/Biquad.h"
#include "halvane/design/StageMath.h"
#include "halvane/signal/CCurve.h"

namespace halvane::design {

namespace {

using Complex = std::complex<double>;

// The 256 frequencies the finished chain is judged on: 0 Hz, 254 points
// from 15 Hz to 20 kHz in equal ratios, the Nyquist frequency; as w.
std::vector<double> FinalizeGrid(double rate) {
    std::vector<double> w(256);
    const double ratio = std::pow(4000.0 / 3.0, 1.0 / 253.0);
    w[0] = 0.0;
    for (int k = 0; k < 254; ++k)
        w[static_cast<std::size_t>(k) + 1] = 2.0 * std::numbers::pi * 15.0 * std::pow(ratio, k) / rate;
    w[255] = std::numbers::pi;
    return w;
}

double PolyMag(double c0, double c1, double c2, double w) {
    const Complex z1 = std::polar(1.0, -w);
    const Complex z2 = std::polar(1.0, -2.0 * w);
    return std::abs(c0 + c1 * z1 + c2 * z2);
}

double SectionMag(double b0, double b1, double b2, double a0, double a1, double a2, double w) {
    const double den = PolyMag(a0, a1, a2, w);
    const double num = PolyMag(b0, b1, b2, w);
    return den == 0.0 ? num * 1e40 : num / den;
}

}  // namespace

void FilterDesign::Clear() {
    FreeArrays();
    Params.clear();
    PointCount = 0;
    TargetCurve = nullptr;
}

void FilterDesign::InitStages(int n) {
    StageCount = std::max(n, 0);
    const auto size = static_cast<std::size_t>(StageCount);
    Params.assign(4 * size, 0.0);
    B0.assign(size, 1.0);
    B1.assign(size, 0.0);
    B2.assign(size, 0.0);
    A0.assign(size, 1.0);
    A1.assign(size, 0.0);
    A2.assign(size, 0.0);
}

void FilterDesign::FreeArrays() {
    for (auto* v :
         {&B0, &B1, &B2, &A0, &A1, &A2, &CosW, &Cos2W, &NegSinW, &NegSin2W, &TargetMag, &CascadeMag, &Residual, &Omega})
        std::vector<double>().swap(*v);
    PointCount = 0;
}

void FilterDesign::Finalize() {
    const int n = StageCount;
    const auto size = static_cast<std::size_t>(n);
    Params.resize(4 * size, 0.0);
    B0.assign(size, 1.0);
    B1.assign(size, 0.0);
    B2.assign(size, 0.0);
    A0.assign(size, 1.0);
    A1.assign(size, 0.0);
    A2.assign(size, 0.0);
    std::vector<double> angle(size, -1.0);  // pole angle of complex poles, else -1
    std::vector<double> radius(size, 0.0);
    for (std::size_t k = 0; k < size; ++k) {
        B1[k] = Params[4 * k];
        B2[k] = Params[4 * k + 1];
        A1[k] = Params[4 * k + 2];
        A2[k] = Params[4 * k + 3];
        double scale = 1.0;
        // A numerator root reflected inside lowers |H| by `scale`; the gain
        // takes it back.
        if (stage_math::StabilizeSection(B0[k], B1[k], B2[k], &scale)) FitGain *= scale;
        if (stage_math::StabilizeSection(A0[k], A1[k], A2[k], &scale)) FitGain /= scale;
        radius[k] = stage_math::PoleRadius(A1[k], A2[k]);
        if (A1[k] * A1[k] - 4.0 * A2[k] < 0.0)
            angle[k] = std::acos(std::clamp(-A1[k] / (2.0 * std::sqrt(A2[k])), -1.0, 1.0));
    }

    // Smallest pole radius first; equal radii keep their order.
    std::vector<std::size_t> order(size);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return radius[a] < radius[b]; });
    const auto permute = [&](std::vector<double>& v) {
        std::vector<double> out(size);
        for (std::size_t k = 0; k < size; ++k) out[k] = v[order[k]];
        v.swap(out);
    };
    for (auto* v : {&B0, &B1, &B2, &A0, &A1, &A2, &angle}) permute(*v);

    const std::vector<double> grid = FinalizeGrid(SampleRate);
    const auto largest = [&](std::size_t k) { return std::max({std::abs(B0[k]), std::abs(B1[k]), std::abs(B2[k])}); };

    // Every numerator's largest coefficient becomes 2.
    for (std::size_t k = 0; k < size; ++k) {
        const double m = largest(k);
        if (!(m > 0.0) || !std::isfinite(m)) continue;
        B0[k] /= m / 2.0;
        B1[k] /= m / 2.0;
        B2[k] /= m / 2.0;
        FitGain *= m / 2.0;
    }

    // Each denominator in turn takes the remaining numerator that gives it
    // the flattest section (the least area below its own peak).
    for (std::size_t b = 0; b < size; ++b) {
        double bestCost = 1e40;
        std::size_t best = b;
        for (std::size_t j = b; j < size; ++j) {
            const auto mag = [&](double w) { return SectionMag(B0[j], B1[j], B2[j], A0[b], A1[b], A2[b], w); };
            double peak = 0.0;
            for (double w : grid) peak = std::max(peak, mag(w));
            if (angle[b] >= 0.0) peak = std::max(peak, mag(angle[b]));
            if (!(peak > 0.0) || !std::isfinite(peak)) continue;
            double cost = 0.0;
            for (double w : grid) cost += 1.0 - mag(w) / peak;
            if (cost < bestCost) {
                bestCost = cost;
                best = j;
            }
        }
        std::swap(B0[b], B0[best]);
        std::swap(B1[b], B1[best]);
        std::swap(B2[b], B2[best]);
    }

    // Gain staging: the running response never exceeds 1 after any stage,
    // so no intermediate signal of the processor's chain can clip.
    std::vector<double> running(grid.size(), 1.0);
    for (std::size_t k = 0; k < size; ++k) {
        double peak = 0.0;
        for (std::size_t i = 0; i < grid.size(); ++i) {
            running[i] *= SectionMag(B0[k], B1[k], B2[k], A0[k], A1[k], A2[k], grid[i]);
            peak = std::max(peak, running[i]);
        }
        const double a = std::max(peak, largest(k) / 2.0);
        if (!(a > 0.0) || !std::isfinite(a)) continue;
        for (double& r : running) r /= a;
        B0[k] /= a;
        B1[k] /= a;
        B2[k] /= a;
        FitGain *= a;
    }

    const double total = GainScale * FitGain;
    if (!(total > 0.0) || !std::isfinite(total)) {
        // No usable gain: the chain is left out rather than uploading a
        // level nobody asked for.
        InitStages(n);
        GainSteps = 0;
        FitGain = 1.0;
        return;
    }
    const double g = std::clamp(20.0 * std::log10(total), -1e6, 1e6);
    auto steps = static_cast<std::int32_t>(std::trunc(2.0 * g + 0.5));
    while (g - steps * 0.5 > 0.0) ++steps;
    GainSteps = steps;
    const double q = std::pow(10.0, (g - steps * 0.5) / 20.0);
    FitGain = q;
    if (q < 1.0 && n > 0) {
        B0[0] *= q;
        B1[0] *= q;
        B2[0] *= q;
    }
}

void FilterDesign::LoadStage(const design::Biquad& stored, int index) {
    if (index < 0 || index >= StageCount || static_cast<std::size_t>(index) >= B0.size()) return;
    const auto k = static_cast<std::size_t>(index);
    A0[k] = 1.0;
    if (stored.inUse) {
        B0[k] = 2.0 * stored.b0_2;
        B1[k] = 2.0 * stored.b1_2;
        B2[k] = 2.0 * stored.b2_2;
        A1[k] = 2.0 * stored.a1_2;
        A2[k] = 2.0 * stored.a2_2;
    } else {
        B0[k] = 1.0;
        B1[k] = B2[k] = A1[k] = A2[k] = 0.0;
    }
}

design::Biquad FilterDesign::StoredStage(int index) const {
    const auto k = static_cast<std::size_t>(index);
    const double a0 = A0[k] != 0.0 ? A0[k] : 1.0;
    design::Biquad q;
    q.b0_2 = B0[k] / a0 / 2.0;
    q.b1_2 = B1[k] / a0 / 2.0;
    q.b2_2 = B2[k] / a0 / 2.0;
    q.a1_2 = A1[k] / a0 / 2.0;
    q.a2_2 = A2[k] / a0 / 2.0;
    q.flag = 0;
    q.inUse = 1;
    return q;
}

void FilterDesign::LoadGainWord(std::int32_t word) {
    std::int32_t v = word & 0xFFFFFF;
    if (v & 0x800000) v -= 0x1000000;
    GainSteps = v;
}

double FilterDesign::ChainMagnitude(double w) const {
    double e = 1.0;
    for (std::size_t k = 0; k < B0.size(); ++k) e *= SectionMag(B0[k], B1[k], B2[k], A0[k], A1[k], A2[k], w);
    return e;
}

void FilterDesign::ApplyToCurve(signal::CCurve& result, const signal::CCurve& source) const {
    if (&result != &source) source.CopyTo(result);
    result.ToPolar();
    if (SampleRate <= 0) return;  // no rate, no chain to evaluate
    const double g = std::pow(10.0, GainSteps * 0.5 / 20.0);
    for (int i = 0; i < result.Count(); ++i)
        result.A()[i] *= ChainMagnitude(2.0 * std::numbers::pi * result.X()[i] / SampleRate) * g;
}

}  // namespace halvane::design
