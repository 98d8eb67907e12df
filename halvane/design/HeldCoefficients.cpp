#include "halvane/design/HeldCoefficients.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <cstddef>
#include <exception>
#include <limits>
#include <numbers>
#include <vector>

namespace halvane::design {

namespace {

using Complex = std::complex<double>;

// dB of |H| per unit of ln |H|.
constexpr double kDbPerNeper = 20.0 / std::numbers::ln10;
// dB of a power ratio per unit of its natural log (ln is cheaper than log10
// and this is most of the choice's time).
constexpr double kDbPerPowerNeper = 10.0 / std::numbers::ln10;
// A stage whose rounding alone moves it by less than this (dB) anywhere
// keeps its rounding: its words already stand for it.
constexpr double kGoodEnoughDb = 0.002;
// How many steps of the two sums either side of their rounding the first
// pass tries; later passes try one step either side of the stage's current
// choice, so a stage can walk as far as its neighbours need it to.
constexpr int kSumSteps = 2;
constexpr int kLaterSumSteps = 1;
// A stage whose 1 + a1 + a2 spans more steps than this sits far enough from
// 0 Hz that a step moves it by a hair: its first pass tries one step
// either side, like the later ones.
constexpr double kFineSumSteps = 1000.0;
constexpr int kNewtonSteps = 4;
constexpr int kPasses = 9;
// Least squares leave the chain's difference piled up where the coarsest
// stages sit (35-50 Hz at the high rates). A chain still this far off (dB)
// anywhere from kHeardFromHz up has its grid reweighted towards where it
// is off and walked again, up to kReweightRounds times, each point's weight
// growing by kReweightGain times its squared difference over the mean
// square; the chain that is least off anywhere is kept.
constexpr double kSettledDb = 0.5;
constexpr double kHeardFromHz = 20.0;
constexpr int kReweightRounds = 4;
constexpr double kReweightGain = 0.3;

// H(z) = (n0 + n1 z^-1 + n2 z^-2) / (1 + d1 z^-1 + d2 z^-2).
struct Stage {
    double n0 = 1, n1 = 0, n2 = 0, d1 = 0, d2 = 0;
};

// The frequencies the choice looks at: logarithmic from 15 Hz to 20 kHz
// (or just below Nyquist), as z^-1 and z^-2, each with its weight in the
// least squares.
struct Grid {
    std::vector<Complex> z1, z2;
    std::vector<double> hz, weight;
};

Grid MakeGrid(double rate, double fLow, double fHigh, int points) {
    Grid g;
    const double top = std::min(fHigh, 0.45 * rate);
    if (!(top > fLow)) return g;
    const double ratio = std::pow(top / fLow, 1.0 / (points - 1));
    double f = fLow;
    for (int i = 0; i < points; ++i, f *= ratio) {
        const Complex z = std::polar(1.0, -2.0 * std::numbers::pi * f / rate);
        g.z1.push_back(z);
        g.z2.push_back(z * z);
        g.hz.push_back(f);
        g.weight.push_back(1.0);
    }
    return g;
}

double StageDb(const Stage& s, const Complex& z1, const Complex& z2) {
    const double n = std::norm(s.n0 + s.n1 * z1 + s.n2 * z2);
    const double d = std::norm(1.0 + s.d1 * z1 + s.d2 * z2);
    return kDbPerPowerNeper * std::log(n / d);
}

void StageDb(const Stage& s, const Grid& g, std::vector<double>& out) {
    out.resize(g.z1.size());
    for (std::size_t i = 0; i < g.z1.size(); ++i) out[i] = StageDb(s, g.z1[i], g.z2[i]);
}

bool Same(const Stage& a, const Stage& b) {
    return a.n0 == b.n0 && a.n1 == b.n1 && a.n2 == b.n2 && a.d1 == b.d1 && a.d2 == b.d2;
}

bool Stable(const Stage& s) { return std::fabs(s.d2) < 1.0 && std::fabs(s.d1) < 1.0 + s.d2; }

bool Finite(const Stage& s) {
    return std::isfinite(s.n0) && std::isfinite(s.n1) && std::isfinite(s.n2) && std::isfinite(s.d1) &&
           std::isfinite(s.d2);
}

// Each coefficient rounded on its own (the numerator's ratios when the
// processor holds those).
Stage Rounded(const Stage& s, const CoefficientLattice& lattice) {
    Stage q = s;
    q.d1 = lattice.Nearest(s.d1);
    q.d2 = lattice.Nearest(s.d2);
    if (lattice.HoldsNumeratorRatios()) {
        q.n1 = s.n0 * lattice.Nearest(s.n1 / s.n0);
        q.n2 = s.n0 * lattice.Nearest(s.n2 / s.n0);
    } else {
        q.n0 = lattice.Nearest(s.n0);
        q.n1 = lattice.Nearest(s.n1);
        q.n2 = lattice.Nearest(s.n2);
    }
    return q;
}

// The weighted squared dB differences from `want`.
double Score(const Stage& s, const Grid& g, const std::vector<double>& want) {
    double squares = 0.0;
    for (std::size_t i = 0; i < want.size(); ++i) {
        const double e = StageDb(s, g.z1[i], g.z2[i]) - want[i];
        squares += g.weight[i] * e * e;
    }
    return squares;
}

bool Solve3(std::array<std::array<double, 3>, 3> m, std::array<double, 3> v, std::array<double, 3>& x) {
    for (int c = 0; c < 3; ++c) {
        int p = c;
        for (int r = c + 1; r < 3; ++r)
            if (std::fabs(m[r][c]) > std::fabs(m[p][c])) p = r;
        if (!(std::fabs(m[p][c]) > 0.0)) return false;
        std::swap(m[p], m[c]);
        std::swap(v[p], v[c]);
        for (int r = c + 1; r < 3; ++r) {
            const double f = m[r][c] / m[c][c];
            for (int k = c; k < 3; ++k) m[r][k] -= f * m[c][k];
            v[r] -= f * v[c];
        }
    }
    for (int c = 2; c >= 0; --c) {
        double s = v[c];
        for (int k = c + 1; k < 3; ++k) s -= m[c][k] * x[k];
        x[c] = s / m[c][c];
    }
    return std::isfinite(x[0]) && std::isfinite(x[1]) && std::isfinite(x[2]);
}

// One stage with its two sums held at S = 1 + d1 + d2 and T (b0 + b1 + b2,
// or 1 + b1/b0 + b2/b0 with ratios) and three free values: d2, then b0 and
// b2 (or ln of the numerator's scale and b2/b0).
class SumsHeld {
public:
    SumsHeld(const Stage& exact, bool ratios, double s, double t) : ratios_(ratios), s_(s), t_(t), n0_(exact.n0) {
        p_ = {exact.d2, ratios ? 0.0 : exact.n0, ratios ? exact.n2 / exact.n0 : exact.n2};
    }

    Stage At(const std::array<double, 3>& p) const {
        Stage st;
        st.d2 = p[0];
        st.d1 = s_ - 1.0 - p[0];
        if (ratios_) {
            const double scale = n0_ * std::exp(p[1]);
            st.n0 = scale;
            st.n1 = scale * (t_ - 1.0 - p[2]);
            st.n2 = scale * p[2];
        } else {
            // b1 stays within the words' range: the fitter's low stages
            // often sit with b1 at exactly -2, their double zero at 0 Hz.
            st.n0 = p[1];
            st.n2 = p[2];
            st.n1 = std::clamp(t_ - p[1] - p[2], -2.0, 2.0);
        }
        return st;
    }

    // Levenberg-Marquardt steps on the dB difference from `want`.
    void Fit(const Grid& g, const std::vector<double>& want) {
        double lambda = 1e-6;
        double current = Score(At(p_), g, want);
        for (int it = 0; it < kNewtonSteps; ++it) {
            const Stage st = At(p_);
            std::array<std::array<double, 3>, 3> jtj{};
            std::array<double, 3> jtr{};
            for (std::size_t i = 0; i < want.size(); ++i) {
                const Complex& z1 = g.z1[i];
                const Complex& z2 = g.z2[i];
                const Complex n = st.n0 + st.n1 * z1 + st.n2 * z2;
                const Complex d = 1.0 + st.d1 * z1 + st.d2 * z2;
                const double nn = std::norm(n), dd = std::norm(d);
                const double r = kDbPerPowerNeper * std::log(nn / dd) - want[i];
                const Complex z21 = z2 - z1;
                std::array<double, 3> j;
                j[0] = -kDbPerNeper * std::real(std::conj(d) * z21) / dd;
                if (ratios_) {
                    j[1] = kDbPerNeper;
                    j[2] = kDbPerNeper * st.n0 * std::real(std::conj(n) * z21) / nn;
                } else {
                    // With b1 at a range end it no longer follows b0 and b2.
                    const bool atEnd = std::fabs(st.n1) >= 2.0;
                    j[1] = kDbPerNeper * std::real(std::conj(n) * (atEnd ? Complex(1.0) : 1.0 - z1)) / nn;
                    j[2] = kDbPerNeper * std::real(std::conj(n) * (atEnd ? z2 : z21)) / nn;
                }
                for (int a = 0; a < 3; ++a) {
                    jtr[a] -= g.weight[i] * j[a] * r;
                    for (int b = 0; b < 3; ++b) jtj[a][b] += g.weight[i] * j[a] * j[b];
                }
            }
            bool better = false;
            for (int tries = 0; !better && tries < 4; ++tries) {
                std::array<std::array<double, 3>, 3> m = jtj;
                for (int a = 0; a < 3; ++a) m[a][a] *= 1.0 + lambda;
                std::array<double, 3> step{}, next = p_;
                if (!Solve3(m, jtr, step)) return;
                for (int a = 0; a < 3; ++a) next[a] += step[a];
                const double score = Score(At(next), g, want);
                if (std::isfinite(score) && score < current) {
                    better = true;
                    p_ = next;
                    current = score;
                    lambda = std::max(lambda / 10.0, 1e-9);
                } else {
                    lambda *= 10.0;
                }
            }
            if (!better) return;
        }
    }

    // The fitted values put on the lattice, the sums kept where the
    // lattice allows.
    Stage Held(const CoefficientLattice& lattice) const {
        Stage st;
        st.d2 = lattice.Nearest(p_[0]);
        st.d1 = lattice.Nearest(s_ - 1.0 - st.d2);
        if (ratios_) {
            const double scale = n0_ * std::exp(p_[1]);
            const double r2 = lattice.Nearest(p_[2]);
            const double r1 = lattice.Nearest(t_ - 1.0 - r2);
            st.n0 = scale;
            st.n1 = scale * r1;
            st.n2 = scale * r2;
        } else {
            st.n0 = lattice.Nearest(p_[1]);
            st.n2 = lattice.Nearest(p_[2]);
            st.n1 = lattice.Nearest(std::clamp(t_ - st.n0 - st.n2, -2.0, 2.0));
        }
        return st;
    }

private:
    bool ratios_;
    double s_, t_, n0_;
    std::array<double, 3> p_{};
};

// The held stage for `exact` that brings the chain closest to `want`
// (exact's own dB minus what the other stages already lose); `best`
// starts as the stage kept so far and its score. The sums tried lie
// `steps` either side of exact's rounding, or of best's own sums when
// `aroundBest`.
Stage Choose(const Stage& exact, const Grid& g, const std::vector<double>& want, const CoefficientLattice& lattice,
             Stage best, int steps, bool aroundBest) {
    const bool ratios = lattice.HoldsNumeratorRatios();
    double bestScore = Score(best, g, want);
    const Stage r = aroundBest ? best : Rounded(exact, lattice);
    const double s0 = 1.0 + r.d1 + r.d2;
    const double hs = lattice.Spacing(r.d1);
    const double t0 = ratios ? 1.0 + r.n1 / r.n0 + r.n2 / r.n0 : r.n0 + r.n1 + r.n2;
    const double ht = ratios ? lattice.Spacing(r.n1 / r.n0) : lattice.Spacing(r.n1);
    for (int i = -steps; i <= steps; ++i) {
        for (int j = -steps; j <= steps; ++j) {
            SumsHeld fit(exact, ratios, s0 + i * hs, t0 + j * ht);
            fit.Fit(g, want);
            const Stage held = fit.Held(lattice);
            if (!Finite(held) || !Stable(held)) continue;
            const double score = Score(held, g, want);
            if (score < bestScore) {
                bestScore = score;
                best = held;
            }
        }
    }
    return best;
}

}  // namespace

void ChooseHeldCoefficients(FilterDesign& design, const CoefficientLattice& lattice) {
    const auto n = static_cast<std::size_t>(std::max(design.StageCount, 0));
    if (n == 0 || design.B0.size() < n) return;
    std::vector<Stage> exact(n), held(n);
    std::vector<bool> search(n, false);
    for (std::size_t k = 0; k < n; ++k) {
        const double a0 = design.A0[k] != 0.0 ? design.A0[k] : 1.0;
        exact[k] = {design.B0[k] / a0, design.B1[k] / a0, design.B2[k] / a0, design.A1[k] / a0, design.A2[k] / a0};
        held[k] = Rounded(exact[k], lattice);
        // A stage whose plain rounding is unstable or unheld starts from
        // the stage itself; the search below replaces it.
        if (!Finite(held[k]) || !Stable(held[k])) {
            held[k] = exact[k];
            search[k] = true;
        }
    }

    Grid grid = MakeGrid(design.SampleRate, 15.0, 20000.0, 256);
    const std::size_t points = grid.z1.size();
    std::vector<std::vector<double>> exactDb(n), lost(n);
    std::vector<double> total(points, 0.0), heldDb, want(points);
    for (std::size_t k = 0; k < n; ++k) {
        StageDb(exact[k], grid, exactDb[k]);
        StageDb(held[k], grid, heldDb);
        lost[k].resize(points);
        double worst = 0.0;
        for (std::size_t i = 0; i < points; ++i) {
            lost[k][i] = heldDb[i] - exactDb[k][i];
            total[i] += lost[k][i];
            worst = std::max(worst, std::fabs(lost[k][i]));
        }
        if (!(worst < kGoodEnoughDb)) search[k] = true;
    }
    // The first pass chooses each stage against the exact chain and the
    // stages chosen before it: a rounding still to be replaced is nothing
    // to answer. The coarsest stages (poles nearest 0 Hz) go first, so the
    // finer ones can answer what they lose.
    std::vector<bool> counted(n, true);
    std::vector<std::size_t> order;
    for (std::size_t k = 0; k < n; ++k) {
        if (!search[k]) continue;
        order.push_back(k);
        counted[k] = false;
        for (std::size_t i = 0; i < points; ++i) total[i] -= lost[k][i];
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return 1.0 + exact[a].d1 + exact[a].d2 < 1.0 + exact[b].d1 + exact[b].d2;
    });

    // Stacked near-cancelling pairs near 0 Hz answer each other over many
    // passes, each moving a stage a step; a pass that changes no stage
    // leaves every stage's target as it was, and the walk ends there.
    const auto walk = [&](int firstPass) {
        for (int pass = firstPass; pass < kPasses; ++pass) {
            bool any = false, changed = false;
            for (std::size_t k : order) {
                if (lattice.HoldsNumeratorRatios() && exact[k].n0 == 0.0) continue;
                any = true;
                for (std::size_t i = 0; i < points; ++i)
                    want[i] = exactDb[k][i] - (total[i] - (counted[k] ? lost[k][i] : 0.0));
                const Stage before = held[k];
                // A stage still searched from its unstable rounding has no
                // held sums of its own to start from.
                const bool aroundBest = pass > 0 && Finite(before) && Stable(before);
                const double sumSteps = (1.0 + exact[k].d1 + exact[k].d2) / lattice.Spacing(exact[k].d1);
                const int steps = aroundBest || std::fabs(sumSteps) > kFineSumSteps ? kLaterSumSteps : kSumSteps;
                held[k] = Choose(exact[k], grid, want, lattice, held[k], steps, aroundBest);
                if (counted[k] && Same(before, held[k])) continue;
                changed = true;
                StageDb(held[k], grid, heldDb);
                for (std::size_t i = 0; i < points; ++i) {
                    if (counted[k]) total[i] -= lost[k][i];
                    lost[k][i] = heldDb[i] - exactDb[k][i];
                    total[i] += lost[k][i];
                }
                counted[k] = true;
            }
            if (!any || !changed) break;
        }
    };
    walk(0);

    // Where the chain is still audibly off somewhere, the grid leans
    // towards those frequencies and the stages walk again from where they
    // are; the least-off chain of all the rounds stays.
    struct Kept {
        std::vector<Stage> held;
        std::vector<std::vector<double>> lost;
        std::vector<double> total;
    } kept;
    double keptWorst = std::numeric_limits<double>::infinity();
    for (int round = 0; points > 0; ++round) {
        double worst = 0.0, squares = 0.0, heard = 0.0;
        for (std::size_t i = 0; i < points; ++i) {
            if (grid.hz[i] < kHeardFromHz) continue;
            worst = std::max(worst, std::fabs(total[i]));
            squares += total[i] * total[i];
            heard += 1.0;
        }
        if (worst < keptWorst) {
            keptWorst = worst;
            kept = {held, lost, total};
        }
        if (keptWorst < kSettledDb || round == kReweightRounds || !(squares > 0.0)) break;
        const double meanSquare = squares / heard;
        double sum = 0.0;
        for (std::size_t i = 0; i < points; ++i) {
            if (grid.hz[i] >= kHeardFromHz) grid.weight[i] *= 1.0 + kReweightGain * total[i] * total[i] / meanSquare;
            sum += grid.weight[i];
        }
        for (double& w : grid.weight) w *= static_cast<double>(points) / sum;
        walk(1);
    }
    if (!kept.held.empty()) {
        held = std::move(kept.held);
        lost = std::move(kept.lost);
        total = std::move(kept.total);
    }

    // A level the chain still loses on the way goes to the numerators that
    // hold it best: the stages whose rounding costs least first, each as far
    // as its words reach.
    if (points > 0) {
        std::vector<std::size_t> order;
        for (std::size_t k = 0; k < n; ++k)
            if (!search[k]) order.push_back(k);
        for (std::size_t k = 0; k < n; ++k)
            if (search[k]) order.push_back(k);
        const auto squares = [&]() {
            double sum = 0.0;
            for (double v : total) sum += v * v;
            return sum;
        };
        for (std::size_t k : order) {
            double mean = 0.0;
            for (double v : total) mean += v;
            mean /= static_cast<double>(points);
            if (std::fabs(mean) < 1e-4) break;
            double scale = std::pow(10.0, -mean / 20.0);
            Stage t = held[k];
            if (!lattice.HoldsNumeratorRatios()) {
                const double largest = std::max({std::fabs(t.n0), std::fabs(t.n1), std::fabs(t.n2)});
                if (largest > 0.0) scale = std::min(scale, 2.0 / largest);
            }
            if (lattice.HoldsNumeratorRatios()) {
                t.n0 *= scale;
                t.n1 *= scale;
                t.n2 *= scale;
            } else {
                t.n0 = lattice.Nearest(held[k].n0 * scale);
                t.n1 = lattice.Nearest(held[k].n1 * scale);
                t.n2 = lattice.Nearest(held[k].n2 * scale);
            }
            if (!Finite(t)) continue;
            StageDb(t, grid, heldDb);
            const double before = squares();
            std::vector<double> next(points);
            for (std::size_t i = 0; i < points; ++i) next[i] = total[i] - lost[k][i] + heldDb[i] - exactDb[k][i];
            double after = 0.0;
            for (double v : next) after += v * v;
            if (!(after < before)) continue;
            held[k] = t;
            total = next;
            for (std::size_t i = 0; i < points; ++i) lost[k][i] = heldDb[i] - exactDb[k][i];
        }
    }

    for (std::size_t k = 0; k < n; ++k) {
        // A stage nothing held could stand for keeps its rounding, which
        // the upload refuses as it always did.
        const Stage& s = Finite(held[k]) && Stable(held[k]) ? held[k] : Rounded(exact[k], lattice);
        design.A0[k] = 1.0;
        design.A1[k] = s.d1;
        design.A2[k] = s.d2;
        design.B0[k] = s.n0;
        design.B1[k] = s.n1;
        design.B2[k] = s.n2;
    }
}

void ChooseHeldCoefficients(const std::vector<FilterDesign*>& designs, const CoefficientLattice& lattice) {
    // An exception may not leave a parallel loop: the first one is kept and
    // thrown once every design is done.
    std::exception_ptr failure;
    const auto count = static_cast<std::ptrdiff_t>(designs.size());
#if defined(_OPENMP)
#pragma omp parallel for schedule(dynamic, 1)
#endif
    for (std::ptrdiff_t i = 0; i < count; ++i) {
        try {
            if (designs[static_cast<std::size_t>(i)] != nullptr)
                ChooseHeldCoefficients(*designs[static_cast<std::size_t>(i)], lattice);
        } catch (...) {
#if defined(_OPENMP)
#pragma omp critical(held_coefficients_failure)
#endif
            if (!failure) failure = std::current_exception();
        }
    }
    if (failure) std::rethrow_exception(failure);
}

double LargestChainDifferenceDb(const FilterDesign& exact, const FilterDesign& held, double fLow, double fHigh,
                                double* rms) {
    const Grid grid = MakeGrid(exact.SampleRate, fLow, fHigh, 2048);
    const double gainDb = 0.5 * (held.GainSteps - exact.GainSteps);
    const auto stageOf = [](const FilterDesign& d, std::size_t k) {
        const double a0 = d.A0[k] != 0.0 ? d.A0[k] : 1.0;
        return Stage{d.B0[k] / a0, d.B1[k] / a0, d.B2[k] / a0, d.A1[k] / a0, d.A2[k] / a0};
    };
    double worst = 0.0, squares = 0.0;
    for (std::size_t i = 0; i < grid.z1.size(); ++i) {
        double e = gainDb;
        for (std::size_t k = 0; k < held.B0.size(); ++k) e += StageDb(stageOf(held, k), grid.z1[i], grid.z2[i]);
        for (std::size_t k = 0; k < exact.B0.size(); ++k) e -= StageDb(stageOf(exact, k), grid.z1[i], grid.z2[i]);
        worst = std::max(worst, std::fabs(e));
        squares += e * e;
    }
    if (rms != nullptr) *rms = grid.z1.empty() ? 0.0 : std::sqrt(squares / static_cast<double>(grid.z1.size()));
    return worst;
}

}  // namespace halvane::design
