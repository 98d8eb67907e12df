// Smoothing, the transforms between time and frequency, and the uniform grid.
#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "halvane/signal/CCurve.h"
#include "halvane/signal/ComplexFft.h"
#include "halvane/signal/Parallel.h"
#include "halvane/signal/SmoothComplexResponse.h"

namespace halvane::signal {

namespace {

// The largest uniform grid made: far beyond the 32769 points the programs
// use, small enough that an odd axis (a tiny step read from a damaged file)
// cannot exhaust the memory.
constexpr int kMaxUniformPoints = (1 << 20) + 1;

int PowerOfTwoAtLeast(long long m) {
    long long p = 1;
    while (p < m && p < (1LL << 30)) p <<= 1;
    return static_cast<int>(p);
}

}  // namespace

void CCurve::Smooth(double width, int perOctave, double fLow, double fHigh) {
    const int n = Count();
    if (n >= 3) {
        ToCartesian();
        std::vector<double> re(A(), A() + n), im(B(), B() + n), x(X(), X() + n);
        const int m = SmoothComplexResponse(n, re, im, x, width < 2.0, 1.0 / width, perOctave, fLow, fHigh);
        if (m == -101) throw std::bad_alloc();
        if (m > 0) {
            DbleVect ax, va, vb;
            ax.Assign(x.data(), m);
            va.Assign(re.data(), m);
            vb.Assign(im.data(), m);
            axis_.Values() = std::move(ax);
            values_.A() = std::move(va);
            values_.B() = std::move(vb);
        }
    }
    WrapPhase();
}

std::unique_ptr<CCurve> CCurve::ToFrequencyResponse() {
    if (AxisKind() == CIndexVector::Frequency) return Clone();
    const int n = Count();
    if (n < 2) return nullptr;
    const double dt = X()[1] - X()[0];
    const int N = PowerOfTwoAtLeast(n);
    std::vector<double> re, im;
    try {
        re.assign(N, 0.0);
        im.assign(N, 0.0);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    ToCartesian();
    std::copy(A(), A() + n, re.begin());
    std::copy(B(), B() + n, im.begin());
    if (ComplexFft(1, N, re.data(), im.data()) != 0) return nullptr;

    const int m = N / 2 + 1;
    auto r = std::make_unique<CCurve>(m, CIndexVector::Frequency, CComplexVector::Cartesian);
    double* x = r->X();
    double* a = r->A();
    double* b = r->B();
    const double scale = 2.0 / N;
    const double span = N * dt;
    const double* sr = re.data();
    const double* si = im.data();
    HALVANE_PARALLEL_FOR(m)
    for (int i = 0; i < m; ++i) {
        x[i] = i / span;
        a[i] = sr[i] * scale;
        b[i] = si[i] * scale;
    }
    return r;
}

std::unique_ptr<CCurve> CCurve::ToImpulseResponse() {
    if (AxisKind() == CIndexVector::Time) return Clone();
    if (Count() < 2) return nullptr;
    CurveHandle g = ToUniformGrid();
    const int count = g->Count();
    if (count < 2) return nullptr;
    const double df = g->X()[1] - g->X()[0];
    const int N = 2 * count - 2;
    std::vector<double> re, im;
    try {
        re.assign(N, 0.0);
        im.assign(N, 0.0);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    g->ToCartesian();
    std::copy(g->A(), g->A() + count, re.begin());
    std::copy(g->B(), g->B() + count, im.begin());
    for (int i = count; i < N; ++i) {
        re[i] = re[N - i];
        im[i] = -im[N - i];
    }
    if (ComplexFft(-1, N, re.data(), im.data()) != 0) return nullptr;

    auto r = std::make_unique<CCurve>(N, CIndexVector::Time, CComplexVector::Cartesian);
    double* x = r->X();
    double* a = r->A();
    double* b = r->B();
    const double scale = N / 2.0;
    const double span = N * df;
    const double* sr = re.data();
    const double* si = im.data();
    HALVANE_PARALLEL_FOR(N)
    for (int i = 0; i < N; ++i) {
        x[i] = i / span;
        a[i] = sr[i] * scale;
        b[i] = si[i] * scale;
    }
    return r;
}

CurveHandle CCurve::ToUniformGrid() {
    const int n = Count();
    if (n < 2) return CurveHandle(*this);
    const double* x = X();
    const double d = x[1] - x[0];
    bool uniform = true;
    for (int i = 2; i < n && uniform; ++i) uniform = !(std::fabs((x[i] - x[i - 1]) - d) > 1e-12);

    int points = 0;
    double step = 0.0;
    if (uniform) {
        const double ratio = 2.0 * x[n - 1] / d;
        const long long M = std::isfinite(ratio) && ratio > 0.0 ? static_cast<long long>(std::min(ratio, 1e9)) : 0;
        points = PowerOfTwoAtLeast(M) / 2 + 1;
        step = d;
        if (points == n) return CurveHandle(*this);
    }
    if (!uniform || points > kMaxUniformPoints) {
        points = 65536 / 2 + 1;
        step = 44100.0 / 65536.0;
    }
    auto grid = std::make_unique<CCurve>(points, CIndexVector::Frequency, CComplexVector::Polar);
    double* gx = grid->X();
    double* ga = grid->A();
    double* gb = grid->B();
    HALVANE_PARALLEL_FOR(points)
    for (int i = 0; i < points; ++i) {
        gx[i] = i * step;
        ga[i] = 1.0;
        gb[i] = 0.0;
    }
    grid->Multiply(*this);
    return CurveHandle(std::move(grid));
}

std::unique_ptr<CCurve> CCurve::FromSamples(int n, unsigned rate, const double* samples) {
    auto r = std::make_unique<CCurve>(n, CIndexVector::Time, CComplexVector::Cartesian);
    const int m = r->Count();
    double* x = r->X();
    double* a = r->A();
    double* b = r->B();
    const double fs = rate;
    HALVANE_PARALLEL_FOR(m)
    for (int i = 0; i < m; ++i) {
        x[i] = i / fs;
        a[i] = samples[i];
        b[i] = 0.0;
    }
    return r;
}

}  // namespace halvane::signal
