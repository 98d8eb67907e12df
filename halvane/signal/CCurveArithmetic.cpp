// The arithmetic of correction design and the searches over a curve.
#include <algorithm>
#include <cmath>
#include <limits>

#include "halvane/signal/CCurve.h"
#include "halvane/signal/Parallel.h"
#include "halvane/signal/Phase.h"

namespace halvane::signal {

void CCurve::Multiply(CCurve& other) {
    CurveHandle r = other.ResampleTo(*this);
    r->ToPolar();
    ToPolar();
    const int n = Count();
    double* a = A();
    double* b = B();
    const double* ra = r->A();
    const double* rb = r->B();
    HALVANE_PARALLEL_FOR(n)
    for (int i = 0; i < n; ++i) {
        a[i] *= ra[i];
        b[i] += rb[i];
    }
}

void CCurve::Divide(CCurve& divisor) {
    CurveHandle r = divisor.ResampleTo(*this);
    r->ToPolar();
    ToPolar();
    const int n = Count();
    double* a = A();
    double* b = B();
    // A 0 Hz point far below its neighbour is a measurement artefact: it
    // would become a huge quotient, so it is cleared.
    if (n > 1 && X()[0] == 0.0 && a[1] / 1000.0 >= a[0]) {
        a[0] = 0.0;
        b[0] = 0.0;
    }
    const double* ra = r->A();
    const double* rb = r->B();
    HALVANE_PARALLEL_FOR(n)
    for (int i = 0; i < n; ++i) {
        if (ra[i] >= kTiny) {
            a[i] /= ra[i];
            b[i] -= rb[i];
        } else if (a[i] >= kTiny) {
            a[i] = kHuge;
            b[i] -= rb[i];
        } else {
            a[i] = 0.0;
            b[i] = 0.0;
        }
    }
}

void CCurve::MultiplyByComplex(double re, double im) {
    ToPolar();
    const double m = std::hypot(re, im);
    const double p = m == 0.0 ? 0.0 : std::atan2(im, re);
    const int n = Count();
    double* a = A();
    double* b = B();
    HALVANE_PARALLEL_FOR(n)
    for (int i = 0; i < n; ++i) {
        a[i] *= m;
        b[i] += p;
    }
}

void CCurve::AccumulatePower(CCurve& other) {
    CurveHandle r = other.ResampleTo(*this);
    r->WrapPhasePositive();
    WrapPhasePositive();
    const int n = Count();
    double* a = A();
    double* b = B();
    const double* ra = r->A();
    const double* rb = r->B();
    HALVANE_PARALLEL_FOR(n)
    for (int i = 0; i < n; ++i) {
        const double m = a[i];
        const double w = ra[i] * ra[i];
        const double s = m + w;
        // Two silent points keep the phase they had (the mean is 0 / 0).
        if (s != 0.0) b[i] = (b[i] * m + WrapPhaseNear(b[i], rb[i]) * w) / s;
        a[i] = s;
    }
}

CurveValue CCurve::MaxInRange(double f1, double f2) const {
    const int n = Count();
    if (n == 0) return {};
    if (n == 1) return {A()[0], B()[0]};
    const int s = axis_.UpperIndex(f1);
    const int e = axis_.UpperIndex(f2);
    CurveValue best{A()[s], B()[s]};
    for (int i = s + 1; i <= e; ++i) {
        best.first = std::max(best.first, A()[i]);
        best.second = std::max(best.second, B()[i]);
    }
    return best;
}

double CCurve::RmsInRange(double f1, double f2) {
    ToPolar();
    const int n = Count();
    const double* x = X();
    const double* a = A();
    int i = 0;
    while (i < n && x[i] < f1) ++i;
    double sum = 0.0;
    int count = 0;
    for (; i < n && x[i] <= f2; ++i) {
        sum += a[i] * a[i];
        ++count;
    }
    if (count == 0) return std::numeric_limits<double>::quiet_NaN();
    return std::sqrt(sum / count);
}

double CCurve::FindLowerCrossing(double f0, double level) {
    ToDecibel();
    const int n = Count();
    if (n == 0) return 0.0;
    const double* x = X();
    const double* a = A();
    int i = 0;
    while (i < n && x[i] < f0) ++i;
    if (i == n) i = n - 1;
    for (; i >= 0; --i) {
        if (a[i] < level) return x[i];
    }
    return x[0];
}

double CCurve::FindUpperCrossing(double f0, double level) {
    ToDecibel();
    const int n = Count();
    if (n == 0) return 0.0;
    const double* x = X();
    const double* a = A();
    int i = n - 1;
    while (i > 0 && x[i] > f0) --i;
    for (; i < n; ++i) {
        if (a[i] < level) return x[i];
    }
    return x[n - 1];
}

void CCurve::LimitPeaks(double limit) {
    ToPolar();
    if (!(limit > 1.0)) return;
    const int n = Count();
    double* a = A();
    int i = 0;
    while (true) {
        while (i < n && !(a[i] > limit)) ++i;
        if (i >= n) return;
        int first = i;
        while (first > 0 && a[first - 1] > 1.0) --first;
        int last = i;
        while (last + 1 < n && a[last + 1] > 1.0) ++last;
        double peak = a[i];
        for (int j = i; j <= last; ++j) peak = std::max(peak, a[j]);
        const double k = (limit - peak) / (1.0 - peak);
        for (int j = first; j <= last; ++j) a[j] = (1.0 - k) * a[j] + k;
        i = last + 1;
    }
}

}  // namespace halvane::signal
