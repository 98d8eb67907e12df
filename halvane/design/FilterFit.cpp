// The cascade fit: the desired correction with its edge blends, the growing
// of the chain stage by stage and the refining passes with their band check.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include "halvane/design/FilterDesign.h"
#include "halvane/design/FitEngine.h"
#include "halvane/signal/CCurve.h"

namespace halvane::design {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kQMax = 16.0;

[[noreturn]] void ZeroSized() { throw std::logic_error("Can't allocate 0 sized array"); }

// The grid index nearest f by linear distance (the lower one on a tie).
int Nearest(const signal::CCurve& c, double f) {
    int best = 0;
    for (int i = 1; i < c.Count(); ++i)
        if (std::abs(c.X()[i] - f) < std::abs(c.X()[best] - f)) best = i;
    return best;
}

void SizeWork(FilterDesign& d, int n) {
    if (n <= 0) ZeroSized();
    const auto size = static_cast<std::size_t>(n);
    for (auto* v : {&d.CosW, &d.Cos2W, &d.NegSinW, &d.NegSin2W, &d.TargetMag, &d.CascadeMag, &d.Residual, &d.Omega})
        v->assign(size, 0.0);
    d.PointCount = n;
    if (d.StageCount <= 0) ZeroSized();
    d.Params.assign(4 * static_cast<std::size_t>(d.StageCount), 0.0);
}

// A measured point of zero magnitude (a dropout) asks for an infinite boost
// (the curve divides to kHuge or beyond): one such point would take the
// whole chain's gain word with it. It takes the level its neighbours ask
// for instead, linear between the nearest usable points (1 when none is).
void FillDeadPoints(double* mag, int n) {
    const auto usable = [&](int i) { return std::isfinite(mag[i]) && mag[i] < signal::CCurve::kHuge; };
    int last = -1;  // the last usable point before i
    for (int i = 0; i < n; ++i) {
        if (usable(i)) {
            last = i;
            continue;
        }
        int next = i + 1;
        while (next < n && !usable(next)) ++next;
        for (int k = i; k < next; ++k) {
            if (last >= 0 && next < n)
                mag[k] = mag[last] + (mag[next] - mag[last]) * (k - last) / static_cast<double>(next - last);
            else if (last >= 0)
                mag[k] = mag[last];
            else
                mag[k] = next < n ? mag[next] : 1.0;
        }
        i = next - 1;
    }
}

// The desired correction D = T 10^(level/20) / M, polar, with the blends
// that fade it to L below the band and to U above it.
signal::CCurve DesiredCorrection(const FilterDesign& d, const signal::CCurve& measured, const FitOptions& options, double lower,
                         double upper, double levelDb) {
    signal::CCurve desired;
    d.TargetCurve->CopyTo(desired);
    desired.MultiplyByComplex(std::pow(10.0, levelDb / 20.0), 0.0);
    signal::CCurve m;
    measured.CopyTo(m);
    desired.Divide(m);
    desired.ToPolar();
    const int n = desired.Count();
    const double* x = desired.X();
    double* mag = desired.A();
    double* ph = desired.B();
    FillDeadPoints(mag, n);

    double low = 1.0;
    if (!options.IsSubwoofer && !options.GroupFlag) {
        const double v = mag[Nearest(desired, lower / 2.0)];
        if (v < 1.0) low = v;
    }
    for (int i = 0; i < n; ++i) {
        const double f = x[i];
        if (f < lower / 2.0) {
            mag[i] = low;
            ph[i] = 0.0;
        } else if (f < lower) {
            const double c = std::cos((1.0 - f / lower) * kPi);
            mag[i] = (1.0 - c) * low + c * mag[i];
            ph[i] = 0.0;
        }
    }
    double high = 1.0;
    if (options.IsSubwoofer) {
        const double v = mag[Nearest(desired, 2.0 * upper)];
        if (v < 1.0) high = v;
    }
    for (int i = 0; i < n; ++i) {
        const double f = x[i];
        if (f < upper) continue;
        if (f < 2.0 * upper) {
            const double c = std::cos((f / upper - 1.0) * kPi / 2.0);
            mag[i] = (1.0 - c) * high + c * mag[i];
        } else {
            mag[i] = high;
        }
        ph[i] = 0.0;
    }
    return desired;
}

}  // namespace

FitBand FittedBand(std::int32_t sampleRate, double lower, double upper, bool widenTop) {
    if (widenTop) upper *= 2.0;
    FitBand band;
    band.lower = lower * std::numbers::sqrt2;
    band.upper = std::min(upper / std::numbers::sqrt2, std::min(static_cast<double>(sampleRate / 4), 12000.0));
    return band;
}

double FitCorrectionFilter(FilterDesign& d, const signal::CCurve& measured, const FitOptions& options, double lower,
                           double upper, double levelDb) {
    if (!d.TargetCurve || d.TargetCurve->Count() == 0 || d.SampleRate <= 0) ZeroSized();
    const double fs = d.SampleRate;
    if (options.WidenTop) upper *= 2.0;
    const int gridLo = Nearest(*d.TargetCurve, lower);
    const int gridHi = Nearest(*d.TargetCurve, std::min(fs / 2.0, upper));
    const FitBand band = FittedBand(d.SampleRate, lower, upper, false);
    d.GainScale = 1.0;

    const signal::CCurve desired = DesiredCorrection(d, measured, options, band.lower, band.upper, levelDb);
    const double* x = desired.X();
    const double* mag = desired.A();
    int b = -1;
    for (int i = 0; i < desired.Count() && x[i] <= fs / 2.0; ++i) b = i;
    if (b < 0) ZeroSized();
    const int s = b >= 1 && mag[1] < mag[0] ? 1 : 0;
    const int e = b >= 1 && mag[b - 1] < mag[b] ? 1 : 0;
    const int n = b + s + e + 1;
    SizeWork(d, n);
    auto& t = d.TargetMag;
    auto& w = d.Omega;
    for (int k = s; k <= n - 1 - e; ++k) {
        const auto at = static_cast<std::size_t>(k);
        const double v = mag[k - s];
        // A point the curves cannot give a value for asks for no correction.
        t[at] = std::isfinite(v) ? v : 1.0;
        w[at] = 2.0 * kPi * x[k - s] / fs;
    }
    // The extra end points: half the averaged edge level, half way to 0 Hz
    // and beyond the last point towards pi, so the ends do not pull up.
    if (s) {
        t[1] = (t[2] + t[1]) / 2.0;
        t[0] = t[1] / 2.0;
        w[0] = w[1] / 2.0;
    }
    if (e) {
        const auto last = static_cast<std::size_t>(n - 1);
        t[last - 1] = (t[last - 2] + t[last - 1]) / 2.0;
        t[last] = t[last - 1] / 2.0;
        w[last] = std::sqrt(w[last - 1] * kPi);
    }
    for (std::size_t i = 0; i < w.size(); ++i) {
        d.CosW[i] = std::cos(w[i]);
        d.Cos2W[i] = std::cos(2.0 * w[i]);
        d.NegSinW[i] = -std::sin(w[i]);
        d.NegSin2W[i] = -std::sin(2.0 * w[i]);
    }
    const int iLo = std::clamp(gridLo + s, 0, n - 1);
    const int iHi = std::clamp(gridHi + s, 0, n - 1);

    FitEngine engine(d, fs);
    const int stages = d.StageCount;
    double err = 0.0;
    // Growing: one stage at a time where the residual is largest.
    for (int k = 1; k <= stages; ++k) {
        if (engine.Error(4 * (k - 1)) < 0.001) break;
        engine.PlaceStage(k - 1, iLo, iHi);
        engine.Solve(4 * k, 10, 1e-6, err);
        engine.StabilizeAll();
        engine.LimitQ(k, kQMax);
    }
    err = engine.Error(4 * stages);

    // Refining: all stages together; stages that wander out of the band are
    // replaced by new ones placed on what the others leave.
    double best = err;
    std::vector<double> kept = d.Params;
    int iterations = 0;
    const double lo = w[static_cast<std::size_t>(iLo)] / std::numbers::sqrt2;
    const double hi = std::min(w[static_cast<std::size_t>(iHi)] * std::numbers::sqrt2, 2.0 * kPi * 20000.0 / fs);
    bool more = true;
    while (more) {
        const double prev = err;
        int used = engine.Solve(4 * stages, 100, 1e-10, err);
        if (used < 0) used = 100;
        iterations += used;
        engine.StabilizeAll();
        engine.LimitQ(stages, kQMax);
        err = engine.Error(4 * stages);
        const int moved = engine.BandCheck(lo, hi);
        if (moved < 0) {
            if (err < best) {
                best = err;
                kept = d.Params;
            }
            more = (prev - err) / err > 1e-5 && err > 1e-5 && iterations < 2000;
            continue;
        }
        for (int p = moved; p < stages; ++p) {
            // No solve over zero parameters when the first stage is replaced.
            if (p > 0) engine.Solve(4 * p, 10, 1e-6, err);
            engine.StabilizeAll();
            engine.LimitQ(p, kQMax);
            // The stage it replaces leaves nothing behind when no residual
            // is left to place a new one on.
            std::fill_n(d.Params.begin() + 4 * p, 4, 0.0);
            engine.PlaceStage(p, iLo, iHi);
            engine.LimitQ(p + 1, kQMax);
        }
        err = engine.Error(4 * stages);
        if (err < best) {
            best = err;
            kept = d.Params;
        }
        more = iterations < 2000 && (prev - err) / err > 1e-5;
    }
    // FitGain must belong to the kept parameters, not to the last pass.
    d.Params = kept;
    return engine.Error(4 * stages);
}

}  // namespace halvane::design
