#include "halvane/signal/SmoothComplexResponse.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "halvane/signal/Parallel.h"
#include "halvane/signal/Phase.h"
#include "halvane/signal/SmoothingKernel.h"

namespace halvane::signal {

namespace {

constexpr double kThirdOctaves[31] = {20,   25,   31.5, 40,   50,   63,    80,    100,   125,   160,  200,
                                      250,  315,  400,  500,  630,  800,   1000,  1250,  1600,  2000, 2500,
                                      3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};

constexpr double kTinyPower = 1e-40;

struct Work {
    const double* x;
    const double* P;
    const double* phi;
    int n;
};

// Log power linear in frequency between x[j] and x[j+1]; the phase by the
// three-point Lagrange interpolation through b, b+1, b+2, with the later two
// phases first brought within pi of the first. j and b are clamped so every
// point lies on the axis.
void Interpolate(const Work& w, double f, int j, int b, double& mag, double& phase) {
    j = std::clamp(j, 0, w.n - 2);
    b = std::clamp(b, 0, w.n - 3);
    const double* x = w.x;
    const double lp0 = std::log(w.P[j] > 0.0 ? w.P[j] : kTinyPower);
    const double lp1 = std::log(w.P[j + 1] > 0.0 ? w.P[j + 1] : kTinyPower);
    const double L = ((f - x[j + 1]) * lp0) / (x[j] - x[j + 1]) + ((f - x[j]) * lp1) / (x[j + 1] - x[j]);
    mag = std::sqrt(std::exp(L));

    const double x0 = x[b], x1 = x[b + 1], x2 = x[b + 2];
    const double p0 = w.phi[b];
    const double p1 = WrapPhaseNear(p0, w.phi[b + 1]);
    const double p2 = WrapPhaseNear(p0, w.phi[b + 2]);
    phase = p0 * (f - x1) * (f - x2) / ((x0 - x1) * (x0 - x2)) + p1 * (f - x0) * (f - x2) / ((x1 - x0) * (x1 - x2)) +
            p2 * (f - x0) * (f - x1) / ((x2 - x0) * (x2 - x1));
}

}  // namespace

std::vector<double> SmoothingGrid(const double* x, int n, int perOctave, double fLow, double fHigh) {
    std::vector<double> grid;
    if (perOctave == 0) {
        grid.assign(x, x + n);
    } else if (perOctave < 0) {
        grid.assign(std::begin(kThirdOctaves), std::end(kThirdOctaves));
    } else if (n >= 2) {
        const double start = std::max(fLow, x[1]);
        const double top = std::min(fHigh, x[n - 1]);
        const double span = perOctave * std::log2(top / start);
        // A grid of at most a million points; a degenerate range gives one.
        const long long limit = std::isfinite(span) && span > 0.0 ? static_cast<long long>(std::min(span, 1e6)) + 2 : 1;
        const double step = std::pow(2.0, 1.0 / perOctave);
        grid.reserve(static_cast<std::size_t>(limit));
        grid.push_back(start);
        while (static_cast<long long>(grid.size()) < limit) {
            const double g = grid.back() * step;
            if (!(g <= x[n - 1])) break;
            grid.push_back(g);
        }
    }
    return grid;
}

int SmoothComplexResponse(int n, std::vector<double>& re, std::vector<double>& im, std::vector<double>& x,
                          bool wide, double fraction, int perOctave, double fLow, double fHigh) {
    if (n < 3 || re.size() < static_cast<std::size_t>(n) || im.size() < static_cast<std::size_t>(n) ||
        x.size() < static_cast<std::size_t>(n))
        return -1;
    try {
        const SmoothingKernel k = MakeSmoothingKernel(wide, fraction);
        std::vector<double> P(n), phi(n);
        for (int j = 0; j < n; ++j) {
            P[j] = re[j] * re[j] + im[j] * im[j];
            phi[j] = P[j] == 0.0 ? 0.0 : std::atan2(im[j], re[j]);
        }
        WrapPhasePositive(n, phi.data());

        const std::vector<double> G = SmoothingGrid(x.data(), n, perOctave, fLow, fHigh);
        const int m = static_cast<int>(G.size());
        std::vector<double> mag(m), ph(m);
        const Work w{x.data(), P.data(), phi.data(), n};
        const double K0 = k.K[0];
        const double KN = k.K[SmoothingKernel::kSize - 1];

        int o = 0;
        if (m > 0 && G[0] == 0.0) {
            mag[0] = 0.0;
            ph[0] = 0.0;
            o = 1;
        }
        int lo = 0;     // first input index at or above the lower edge
        int above = 0;  // first input index at or above the upper edge
        for (; o < m; ++o) {
            const double f = G[o];
            double bw = 0.0, lowEdge, highEdge;
            if (k.erb) {
                bw = 24.7 * (4.37 * f / 1000.0 + 1.0) / k.bandFactor;
                lowEdge = f + bw * (K0 - 1.0);
                highEdge = f + bw * (KN - 1.0);
            } else {
                lowEdge = f * K0;
                highEdge = f * KN;
            }
            while (lo < n - 1 && x[lo] < lowEdge) ++lo;
            while (above < n && x[above] < highEdge) ++above;
            const int hi = std::max(above - 1, lo);

            if (hi == lo) {
                if (perOctave == 0) {
                    mag[o] = std::sqrt(P[lo]);
                    ph[o] = phi[lo];
                } else {
                    const int j = f <= x[lo] ? lo - 1 : lo;
                    Interpolate(w, f, j, lo - 1, mag[o], ph[o]);
                }
            } else if (hi == lo + 1) {
                int j = std::max(lo - 1, 0);
                while (j + 1 < n && x[j + 1] < f) ++j;
                Interpolate(w, f, j, j, mag[o], ph[o]);
            } else {
                double sumW = 0.0, sumPw = 0.0, sumPhiW = 0.0;
                int kk = 1;
                for (int j = lo; j <= hi; ++j) {
                    const double u = k.erb ? (x[j] - f) / bw + 1.0 : x[j] / f;
                    while (kk < SmoothingKernel::kSize - 1 && !(k.K[kk] > u)) ++kk;
                    const double wk = k.W[kk];
                    sumW += wk;
                    const double wt = wk * P[j];
                    double p = phi[j];
                    if (sumPw != 0.0) p = WrapPhaseNear(sumPhiW / sumPw, p);
                    sumPhiW += p * wt;
                    sumPw += wt;
                }
                mag[o] = std::sqrt(sumPw / (sumW <= 0.0 ? 1.0 : sumW));
                ph[o] = sumPw != 0.0 ? sumPhiW / sumPw : 0.0;
            }
        }
        if (m > 1 && G[0] == 0.0) mag[0] = std::min(std::sqrt(P[0]), mag[1]);

        if (perOctave == 0) {
            double* r = re.data();
            double* i = im.data();
            HALVANE_PARALLEL_FOR(m)
            for (int j = 0; j < m; ++j) {
                r[j] = mag[j] * std::cos(ph[j]);
                i[j] = mag[j] * std::sin(ph[j]);
            }
        } else {
            std::vector<double> newRe(m), newIm(m), newX(G);
            double* r = newRe.data();
            double* i = newIm.data();
            HALVANE_PARALLEL_FOR(m)
            for (int j = 0; j < m; ++j) {
                r[j] = mag[j] * std::cos(ph[j]);
                i[j] = mag[j] * std::sin(ph[j]);
            }
            re = std::move(newRe);
            im = std::move(newIm);
            x = std::move(newX);
        }
        return m;
    } catch (const std::bad_alloc&) {
        return -101;
    }
}

}  // namespace halvane::signal
