#include "halvane/design/FitEngine.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "halvane/design/FilterDesign.h"
#include "halvane/design/StageMath.h"

namespace halvane::design {

namespace {

// The numerator or denominator 1 + c1 e^{-jw} + c2 e^{-j2w} at fit point i.
struct PointPoly {
    double re;
    double im;
    double norm2;
};

inline PointPoly At(const FilterDesign& d, std::size_t i, double c1, double c2) {
    const double re = 1.0 + c1 * d.CosW[i] + c2 * d.Cos2W[i];
    const double im = c1 * d.NegSinW[i] + c2 * d.NegSin2W[i];
    return {re, im, re * re + im * im};
}

bool AllFinite(const std::vector<double>& v, int m) {
    for (int j = 0; j < m; ++j)
        if (!std::isfinite(v[static_cast<std::size_t>(j)])) return false;
    return true;
}

}  // namespace

void FitEngine::Magnitudes(const std::vector<double>& params, int stages) {
    const std::size_t n = static_cast<std::size_t>(d_.PointCount);
    for (std::size_t i = 0; i < n; ++i) {
        double h = 1.0;
        for (int k = 0; k < stages; ++k) {
            const double* p = &params[4 * static_cast<std::size_t>(k)];
            const PointPoly num = At(d_, i, p[0], p[1]);
            const PointPoly den = At(d_, i, p[2], p[3]);
            // A zero of the denominator on a fit point: a huge but finite
            // value keeps the error comparable.
            h *= den.norm2 == 0.0 ? std::sqrt(num.norm2 * 1e80) : std::sqrt(num.norm2 / den.norm2);
        }
        d_.CascadeMag[i] = h;
    }
}

double FitEngine::ErrorOf(const std::vector<double>& params, int m) {
    Magnitudes(params, (m + 3) / 4);
    const std::size_t n = static_cast<std::size_t>(d_.PointCount);
    double th = 0.0;
    double hh = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        th += d_.TargetMag[i] * d_.CascadeMag[i];
        hh += d_.CascadeMag[i] * d_.CascadeMag[i];
    }
    double g = hh > 0.0 ? th / hh : 0.0;
    if (!std::isfinite(g)) g = 0.0;
    d_.FitGain = g;
    double e = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        d_.Residual[i] = g * d_.CascadeMag[i] - d_.TargetMag[i];
        e += d_.Residual[i] * d_.Residual[i];
    }
    return std::isfinite(e) ? e : std::numeric_limits<double>::infinity();
}

double FitEngine::Error(int m) { return ErrorOf(d_.Params, m); }

void FitEngine::Jacobian(int m) {
    const std::size_t n = static_cast<std::size_t>(d_.PointCount);
    const std::size_t mm = static_cast<std::size_t>(m);
    jac_.assign(n * mm, 0.0);
    const double g = d_.FitGain;
    for (std::size_t i = 0; i < n; ++i) {
        const double gh = g * d_.CascadeMag[i];
        double* row = &jac_[i * mm];
        for (std::size_t k = 0; 4 * k < mm; ++k) {
            const double* p = &d_.Params[4 * k];
            const PointPoly num = At(d_, i, p[0], p[1]);
            const PointPoly den = At(d_, i, p[2], p[3]);
            // d|P|/dc_k / |P| = Re(conj(P) e^{-jkw}) / |P|^2.
            double v[4] = {0.0, 0.0, 0.0, 0.0};
            if (num.norm2 > 0.0) {
                v[0] = gh * (num.re * d_.CosW[i] + num.im * d_.NegSinW[i]) / num.norm2;
                v[1] = gh * (num.re * d_.Cos2W[i] + num.im * d_.NegSin2W[i]) / num.norm2;
            }
            if (den.norm2 > 0.0) {
                v[2] = -gh * (den.re * d_.CosW[i] + den.im * d_.NegSinW[i]) / den.norm2;
                v[3] = -gh * (den.re * d_.Cos2W[i] + den.im * d_.NegSin2W[i]) / den.norm2;
            }
            for (std::size_t q = 0; q < 4 && 4 * k + q < mm; ++q) row[4 * k + q] = std::isfinite(v[q]) ? v[q] : 0.0;
        }
    }
    jtj_.assign(mm * mm, 0.0);
    jtr_.assign(mm, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        const double* row = &jac_[i * mm];
        const double r = d_.Residual[i];
        for (std::size_t a = 0; a < mm; ++a) {
            jtr_[a] -= row[a] * r;
            for (std::size_t b = a; b < mm; ++b) jtj_[a * mm + b] += row[a] * row[b];
        }
    }
    for (std::size_t a = 0; a < mm; ++a)
        for (std::size_t b = 0; b < a; ++b) jtj_[a * mm + b] = jtj_[b * mm + a];
}

// (J^T J with its diagonal times 1 + lambda) step = J^T (-r), by Householder
// QR (each column scaled by its largest magnitude before its reflection)
// and back substitution. A zero column, a zero reflection or a zero or
// non-finite pivot is a failed factorisation.
bool FitEngine::SolveNormal(int m, double lambda) {
    const std::size_t mm = static_cast<std::size_t>(m);
    work_ = jtj_;
    std::vector<double> rhs = jtr_;
    for (std::size_t a = 0; a < mm; ++a) work_[a * mm + a] *= 1.0 + lambda;
    std::vector<double> v(mm);
    for (std::size_t k = 0; k < mm; ++k) {
        double scale = 0.0;
        for (std::size_t i = k; i < mm; ++i) scale = std::max(scale, std::abs(work_[i * mm + k]));
        if (!(scale > 0.0) || !std::isfinite(scale)) return false;
        double norm2 = 0.0;
        for (std::size_t i = k; i < mm; ++i) {
            v[i] = work_[i * mm + k] / scale;
            norm2 += v[i] * v[i];
        }
        const double norm = std::sqrt(norm2);
        const double alpha = v[k] >= 0.0 ? -norm : norm;
        v[k] -= alpha;
        const double vtv = norm2 - 2.0 * alpha * (v[k] + alpha) + alpha * alpha;  // |x - alpha e1|^2
        if (!(vtv > 0.0)) return false;
        for (std::size_t j = k + 1; j < mm; ++j) {
            double dot = 0.0;
            for (std::size_t i = k; i < mm; ++i) dot += v[i] * work_[i * mm + j];
            const double f = 2.0 * dot / vtv;
            for (std::size_t i = k; i < mm; ++i) work_[i * mm + j] -= f * v[i];
        }
        double dot = 0.0;
        for (std::size_t i = k; i < mm; ++i) dot += v[i] * rhs[i];
        const double f = 2.0 * dot / vtv;
        for (std::size_t i = k; i < mm; ++i) rhs[i] -= f * v[i];
        work_[k * mm + k] = alpha * scale;
    }
    step_.assign(mm, 0.0);
    for (std::size_t kk = mm; kk-- > 0;) {
        double s = rhs[kk];
        for (std::size_t j = kk + 1; j < mm; ++j) s -= work_[kk * mm + j] * step_[j];
        const double pivot = work_[kk * mm + kk];
        if (pivot == 0.0 || !std::isfinite(pivot)) return false;
        step_[kk] = s / pivot;
        if (!std::isfinite(step_[kk])) return false;
    }
    return true;
}

int FitEngine::Solve(int m, int maxAttempts, double tolerance, double& error) {
    if (m <= 0) {
        error = Error(0);
        return 0;
    }
    double old = Error(m);
    Jacobian(m);
    double lambda = 0.001;
    int attempts = 0;
    bool failed = false;
    while (attempts < maxAttempts) {
        if (lambda + 1.0 == 1.0) lambda = 1e-16;
        ++attempts;
        if (!SolveNormal(m, lambda)) {
            failed = true;
            break;
        }
        trial_ = d_.Params;
        for (std::size_t j = 0; j < static_cast<std::size_t>(m); ++j) trial_[j] += step_[j];
        const double e = AllFinite(trial_, m) ? ErrorOf(trial_, m) : std::numeric_limits<double>::infinity();
        if (e < old) {
            lambda /= 4.0;
            d_.Params.swap(trial_);
            const bool done = (std::abs(e) + std::abs(old) + 1e-16) * tolerance >= 2.0 * std::abs(old - e);
            old = e;
            if (done) break;
            Jacobian(m);  // the work arrays hold the accepted parameters' values
        } else {
            lambda *= 4.0;
            if (lambda + 1.0 == lambda) break;
        }
    }
    error = Error(m);
    return failed ? -2 : attempts;
}

bool FitEngine::PlaceStage(int p, int first, int last) {
    Error(4 * p);
    const int n = d_.PointCount;
    first = std::max(first, 0);
    last = std::min(last, n - 1);
    const auto r = [&](int i) { return d_.Residual[static_cast<std::size_t>(i)]; };
    const auto h = [&](int i) { return d_.CascadeMag[static_cast<std::size_t>(i)]; };
    const auto w = [&](int i) { return d_.Omega[static_cast<std::size_t>(i)]; };
    int start = first;
    if (start <= last && w(start) == 0.0) ++start;
    while (start <= last && r(start) == 0.0) ++start;
    if (last - start < 1) return false;

    // The run of equal residual sign with the most energy, and its point of
    // largest |r|.
    int b = -1;
    double bestEnergy = -1.0;
    for (int i = start; i <= last;) {
        const bool positive = r(i) > 0.0;
        double energy = 0.0;
        int peak = i;
        int j = i;
        for (; j <= last && (r(j) > 0.0) == positive; ++j) {
            energy += r(j) * r(j);
            if (std::abs(r(j)) > std::abs(r(peak))) peak = j;
        }
        if (energy > bestEnergy) {
            bestEnergy = energy;
            b = peak;
        }
        i = j;
    }
    if (!(bestEnergy > 0.0)) return false;

    // The gain the stage should have at b. h + r <= 0 asks for more boost
    // than any finite value: it takes the +12 dB limit.
    const auto boostBeyond = [&](int i) {
        const double den = h(i) + r(i);
        return !(den > 0.0) || !std::isfinite(h(i) / den);
    };
    double gainDb = 12.0;
    if (!boostBeyond(b)) gainDb = std::clamp(20.0 * std::log10(h(b) / (h(b) + r(b))), -12.0, 12.0);
    const double v = std::pow(10.0, gainDb / 20.0);
    const double halfway = std::pow(10.0, gainDb / 40.0);
    const auto sameSide = [&](int i) {
        if (boostBeyond(i)) return v >= 1.0;
        const double u = h(i) / (h(i) + r(i));
        return v >= 1.0 ? u >= halfway : u <= halfway;
    };
    int lo = b;
    while (lo - 1 >= start && sameSide(lo - 1)) --lo;
    int hi = b;
    while (hi + 1 <= last && sameSide(hi + 1)) ++hi;
    if (lo == hi) {
        if (hi < last)
            ++hi;
        else
            --lo;
    }
    const double w0 = std::pow(w(lo) * w(hi), 1.0 / 8.0) * std::pow(w(b), 0.75);
    const double absDb = std::abs(gainDb);
    double q = w0 / (w(hi) - w(lo));
    q *= absDb < 6.0 ? 1.0 + 0.37 * absDb / 6.0 : 1.37 + 0.63 * (absDb - 6.0) / 6.0;
    if (!std::isfinite(q)) q = 16.0;
    q = std::max(q, 8.0);
    const double qp = v >= 1.0 ? q : q * v;
    const double qz = v >= 1.0 ? q / v : q;
    double* s = &d_.Params[4 * static_cast<std::size_t>(p)];
    stage_math::PlacedPair(w0, qz, s[0], s[1]);
    stage_math::PlacedPair(w0, qp, s[2], s[3]);
    return true;
}

void FitEngine::StabilizeAll() {
    for (int k = 0; k < d_.StageCount; ++k) {
        double* s = &d_.Params[4 * static_cast<std::size_t>(k)];
        double one = 1.0;
        stage_math::StabilizeSection(one, s[0], s[1]);
        one = 1.0;
        stage_math::StabilizeSection(one, s[2], s[3]);
    }
}

void FitEngine::LimitQ(int count, double qMax) {
    for (int k = std::min(count, d_.StageCount) - 1; k >= 0; --k) {
        double* s = &d_.Params[4 * static_cast<std::size_t>(k)];
        stage_math::LimitPairQ(s[2], s[3], rate_, qMax);
        stage_math::LimitPairQ(s[0], s[1], rate_, qMax);
    }
}

namespace {

bool OutOfBand(double a1, double a2, double lo, double hi, double rate) {
    const auto outside = [&](double x) { return x < lo || x > hi; };
    const double disc = a1 * a1 - 4.0 * a2;
    if (disc < 0.0) {
        const double r = std::sqrt(a2);
        const double theta = std::acos(std::clamp(-a1 / (2.0 * r), -1.0, 1.0));
        return outside(theta) || outside(std::hypot(theta, std::log(r)));
    }
    const double q = std::sqrt(disc);
    const double t = a1 >= 0.0 ? -q - a1 : q - a1;  // twice the larger root
    const double roots[2] = {t / 2.0, t == 0.0 ? 0.0 : 2.0 * a2 / t};
    const double nyquistZone = 2.0 * std::numbers::pi * 4000.0 / rate;
    for (double root : roots) {
        // Zero roots (identity stages) are in band.
        if (root > 0.0 && outside(-std::log(root))) return true;
        if (root < 0.0 && -std::log(-root) < nyquistZone) return true;
    }
    return false;
}

}  // namespace

int FitEngine::BandCheck(double lo, double hi) {
    const int n = d_.StageCount;
    int moved = 0;
    for (int k = n - 1; k >= 0; --k) {
        const std::size_t at = 4 * static_cast<std::size_t>(k);
        if (!OutOfBand(d_.Params[at + 2], d_.Params[at + 3], lo, hi, rate_)) continue;
        std::rotate(d_.Params.begin() + static_cast<std::ptrdiff_t>(at),
                    d_.Params.begin() + static_cast<std::ptrdiff_t>(at + 4), d_.Params.end());
        ++moved;
    }
    return moved == 0 ? -1 : n - moved;
}

}  // namespace halvane::design
