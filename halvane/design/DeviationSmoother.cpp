#include "halvane/design/DeviationSmoother.h"

#include <algorithm>
#include <cmath>

#include "halvane/signal/SmoothingKernel.h"

namespace halvane::design {

namespace {

constexpr double kTinyPower = 1e-40;

}  // namespace

// Mirrors SmoothComplexResponse on its own axis (octave mode, the
// rounded-exponential kernel of a width above 2): the window edges, the
// forward-moving indices and the kernel look-up are the same, so the
// weights and their sums are too.
DeviationSmoother::DeviationSmoother(const double* x, int n) : x_(x, x + (n > 0 ? n : 0)) {
    if (n < 3) return;
    const signal::SmoothingKernel k = signal::MakeSmoothingKernel(kWidth < 2.0, 1.0 / kWidth);
    const double K0 = k.K[0];
    const double KN = k.K[signal::SmoothingKernel::kSize - 1];
    rows_.resize(static_cast<std::size_t>(n));
    int o = x[0] == 0.0 ? 1 : 0;
    int lo = 0;
    int above = 0;
    for (; o < n; ++o) {
        const double f = x[o];
        const double lowEdge = f * K0;
        const double highEdge = f * KN;
        while (lo < n - 1 && x[lo] < lowEdge) ++lo;
        while (above < n && x[above] < highEdge) ++above;
        const int hi = std::max(above - 1, lo);
        Row& row = rows_[o];
        if (hi == lo) {
            row.kind = Kind::Self;
            row.lo = lo;
        } else if (hi == lo + 1) {
            int j = std::max(lo - 1, 0);
            while (j + 1 < n && x[j + 1] < f) ++j;
            row.kind = Kind::Interpolate;
            row.j = std::clamp(j, 0, n - 2);
        } else {
            row.kind = Kind::Average;
            row.lo = lo;
            row.hi = hi;
            row.weight = static_cast<int>(weights_.size());
            double sumW = 0.0;
            int kk = 1;
            for (int j = lo; j <= hi; ++j) {
                const double u = x[j] / f;
                while (kk < signal::SmoothingKernel::kSize - 1 && !(k.K[kk] > u)) ++kk;
                weights_.push_back(k.W[kk]);
                sumW += k.W[kk];
            }
            row.sumW = sumW <= 0.0 ? 1.0 : sumW;
        }
    }
}

void DeviationSmoother::Apply(const double* deviation, double* out) const {
    const int n = Count();
    if (n < 3) {
        for (int i = 0; i < n; ++i) out[i] = std::fabs(deviation[i]);
        return;
    }
    const double* x = x_.data();
    auto power = [&](int j) { return deviation[j] * deviation[j]; };
    int o = 0;
    if (x[0] == 0.0) {
        out[0] = 0.0;
        o = 1;
    }
    for (; o < n; ++o) {
        const Row& row = rows_[o];
        switch (row.kind) {
        case Kind::Self:
            out[o] = std::sqrt(power(row.lo));
            break;
        case Kind::Interpolate: {
            const int j = row.j;
            const double f = x[o];
            const double p0 = power(j);
            const double p1 = power(j + 1);
            const double lp0 = std::log(p0 > 0.0 ? p0 : kTinyPower);
            const double lp1 = std::log(p1 > 0.0 ? p1 : kTinyPower);
            const double L = ((f - x[j + 1]) * lp0) / (x[j] - x[j + 1]) + ((f - x[j]) * lp1) / (x[j + 1] - x[j]);
            out[o] = std::sqrt(std::exp(L));
            break;
        }
        case Kind::Average: {
            const double* w = weights_.data() + row.weight;
            double sumPw = 0.0;
            for (int j = row.lo; j <= row.hi; ++j) sumPw += w[j - row.lo] * power(j);
            out[o] = std::sqrt(sumPw / row.sumW);
            break;
        }
        }
    }
    if (x[0] == 0.0) out[0] = std::min(std::sqrt(power(0)), out[1]);
}

}  // namespace halvane::design
