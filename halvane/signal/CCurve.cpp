#include "halvane/signal/CCurve.h"

#include <algorithm>
#include <cmath>

#include "halvane/signal/Parallel.h"
#include "halvane/signal/Phase.h"
#include "platform/ArchiveException.h"
#include "platform/ArchiveReader.h"
#include "platform/ArchiveWriter.h"

namespace halvane::signal {

CCurve::CCurve(int n, int axisKind, int form) : axis_(n, axisKind), values_(n, form) {}

void CCurve::SetSize(int n) {
    axis_.Values().SetSize(n);
    values_.SetSize(n);
}

void CCurve::CopyTo(CCurve& target) const {
    if (&target == this) return;
    const int n = Count();
    CIndexVector axis(n, axis_.Kind());
    CComplexVector values(n, values_.Form());
    double* x = axis.Values().Data();
    double* a = values.A().Data();
    double* b = values.B().Data();
    const double* sx = X();
    const double* sa = A();
    const double* sb = B();
    HALVANE_PARALLEL_FOR(n)
    for (int i = 0; i < n; ++i) {
        x[i] = sx[i];
        a[i] = sa[i];
        b[i] = sb[i];
    }
    target.axis_ = std::move(axis);
    target.values_ = std::move(values);
}

std::unique_ptr<CCurve> CCurve::Clone() const {
    auto copy = std::make_unique<CCurve>();
    CopyTo(*copy);
    copy->name_ = name_;
    return copy;
}

CurveValue CCurve::ValueAt(int s, double f) const {
    const int n = Count();
    if (n == 0) return {};
    if (n == 1) return {A()[0], B()[0]};
    const double* x = X();
    const double* a = A();
    const double* b = B();
    const int form = Form();

    int i = std::clamp(s, 0, n - 1);
    while (f > x[i] && i < n - 1) ++i;
    int k = i > 0 ? i : 1;
    // A 0 Hz point is never the lower bracket (on a two-point axis there is
    // no other, so the bracket stays).
    if (x[k - 1] == 0.0 && k < n - 1) ++k;

    auto polarAt = [&](int j, double& m, double& p) {
        if (form == CComplexVector::Cartesian) {
            m = std::hypot(a[j], b[j]);
            p = m == 0.0 ? 0.0 : std::atan2(b[j], a[j]);
        } else {
            m = a[j];
            p = b[j];
        }
    };
    double mLo, pLo, mHi, pHi;
    polarAt(k - 1, mLo, pLo);
    polarAt(k, mHi, pHi);

    double M;
    if (f == 0.0) {
        M = mHi + (mHi - mLo) * (f - x[k]) / (x[k] - x[k - 1]);
    } else {
        M = mHi + (mHi - mLo) * std::log(f / x[k]) / std::log(x[k] / x[k - 1]);
    }
    if (form != CComplexVector::Decibel && M <= kTiny) M = kTiny;
    if (i == 0) M = M > 0.0 ? std::min(M, mLo) : std::max(M, mLo);

    double P;
    if (i == 0) {
        P = pLo * f / x[k - 1];
    } else {
        P = pHi + (pHi - pLo) * (f - x[k]) / (x[k] - x[k - 1]);
    }
    if (form == CComplexVector::Cartesian) return {M * std::cos(P), M * std::sin(P)};
    return {M, P};
}

CurveHandle CCurve::ResampleTo(const CCurve& grid) {
    const int gn = grid.Count();
    if (gn == Count() && std::equal(grid.X(), grid.X() + gn, X())) return CurveHandle(*this);

    ToPolar();
    UnwrapPhaseAlongDelay();
    auto r = std::make_unique<CCurve>(gn, CIndexVector::Frequency, CComplexVector::Polar);
    const int n = Count();
    const double* x = X();
    const double* gx = grid.X();
    double* rx = r->X();
    double* ra = r->A();
    double* rb = r->B();
    int i = 0;
    for (int j = 0; j < gn; ++j) {
        const double g = gx[j];
        rx[j] = g;
        if (n == 0) {
            ra[j] = 0.0;
            rb[j] = 0.0;
            continue;
        }
        while (g > x[i] && i < n - 1) ++i;
        if (x[i] == g) {
            ra[j] = A()[i];
            rb[j] = B()[i];
        } else {
            const CurveValue v = ValueAt(i, g);
            ra[j] = v.first;
            rb[j] = v.second;
        }
    }
    return CurveHandle(std::move(r));
}

void CCurve::WrapPhase() {
    ToPolar();
    WrapPhaseSymmetric(Count(), B());
}

void CCurve::WrapPhasePositive() {
    ToPolar();
    ::halvane::signal::WrapPhasePositive(Count(), B());
}

void CCurve::UnwrapPhaseAlongDelay() {
    WrapPhase();
    const int n = Count();
    if (n < 2) return;
    double* p = B();
    const double* x = X();
    UnwrapPhase(p, n);
    int start = 3;
    if (x[0] != 0.0) {
        const double slope = (p[1] - p[0]) / (x[1] - x[0]);
        for (int i = 0; i < 2; ++i) p[i] += kPhaseTwoPi * std::floor((x[i] * slope - p[i]) / kPhaseTwoPi + 0.5);
        start = 2;
    }
    for (int i = start; i < n; ++i) {
        const double predicted = x[i] * p[i - 1] / x[i - 1];
        p[i] += kPhaseTwoPi * std::floor((predicted - p[i]) / kPhaseTwoPi + 0.5);
    }
}

void CCurve::Serialize(platform::ArchiveWriter& ar) const {
    axis_.Serialize(ar);
    values_.Serialize(ar);
    ar.writeUInt16(0);
    ar.writeUInt32(0);
    ar.writeString(name_);
}

void CCurve::Serialize(platform::ArchiveReader& ar) {
    CIndexVector axis;
    CComplexVector values;
    axis.Serialize(ar);
    values.Serialize(ar);
    if (axis.Count() != values.Count()) {
        throw platform::ArchiveException(platform::ArchiveException::Cause::Generic,
                                         "The document is damaged: a curve has " + std::to_string(axis.Count()) +
                                             " frequencies but " + std::to_string(values.Count()) + " values.");
    }
    ar.skip(2);
    ar.skip(4);
    std::string name = ar.readString();
    axis_ = std::move(axis);
    values_ = std::move(values);
    name_ = std::move(name);
}

}  // namespace halvane::signal
