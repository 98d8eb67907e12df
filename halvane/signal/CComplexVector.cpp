#include "halvane/signal/CComplexVector.h"

#include <cmath>
#include <utility>

#include "halvane/signal/Parallel.h"
#include "platform/ArchiveException.h"
#include "platform/ArchiveReader.h"
#include "platform/ArchiveWriter.h"

namespace halvane::signal {

namespace {

double ToLevel(double m) { return m > 0.0 ? 20.0 * std::log10(m) : CComplexVector::kFloorDb; }

// atan2 of a zero vector is taken as 0 (atan2(-0, -0) would give -pi).
double PhaseOf(double re, double im, double m) { return m == 0.0 ? 0.0 : std::atan2(im, re); }

}  // namespace

CComplexVector::CComplexVector(int n, int form) : form_(form), a_(n), b_(n) {}

void CComplexVector::SetSize(int n) {
    a_.SetSize(n);
    b_.SetSize(n);
}

void CComplexVector::ToPolar() {
    if (form_ == Polar) return;
    const int n = Count();
    double* a = a_.Data();
    double* b = b_.Data();
    if (form_ == Cartesian) {
        HALVANE_PARALLEL_FOR(n)
        for (int i = 0; i < n; ++i) {
            const double m = std::hypot(a[i], b[i]);
            b[i] = PhaseOf(a[i], b[i], m);
            a[i] = m;
        }
    } else {
        HALVANE_PARALLEL_FOR(n)
        for (int i = 0; i < n; ++i) a[i] = std::pow(10.0, a[i] / 20.0);
    }
    form_ = Polar;
}

void CComplexVector::ToCartesian() {
    if (form_ == Cartesian) return;
    const int n = Count();
    double* a = a_.Data();
    double* b = b_.Data();
    const bool fromDb = form_ == Decibel;
    HALVANE_PARALLEL_FOR(n)
    for (int i = 0; i < n; ++i) {
        const double m = fromDb ? std::pow(10.0, a[i] / 20.0) : a[i];
        const double p = b[i];
        a[i] = m * std::cos(p);
        b[i] = m * std::sin(p);
    }
    form_ = Cartesian;
}

void CComplexVector::ToDecibel() {
    if (form_ == Decibel) return;
    const int n = Count();
    double* a = a_.Data();
    double* b = b_.Data();
    if (form_ == Cartesian) {
        HALVANE_PARALLEL_FOR(n)
        for (int i = 0; i < n; ++i) {
            const double m = std::hypot(a[i], b[i]);
            b[i] = PhaseOf(a[i], b[i], m);
            a[i] = ToLevel(m);
        }
    } else {
        HALVANE_PARALLEL_FOR(n)
        for (int i = 0; i < n; ++i) a[i] = ToLevel(a[i]);
    }
    form_ = Decibel;
}

void CComplexVector::Serialize(platform::ArchiveWriter& ar) const {
    ar.writeUInt16(static_cast<std::uint16_t>(form_));
    a_.Serialize(ar);
    b_.Serialize(ar);
}

void CComplexVector::Serialize(platform::ArchiveReader& ar) {
    const std::uint16_t form = ar.readUInt16();
    if (form > Decibel) {
        throw platform::ArchiveException(platform::ArchiveException::Cause::Generic,
                                         "The document is damaged: a response has the unknown form " +
                                             std::to_string(form) + ".");
    }
    DbleVect a;
    DbleVect b;
    a.Serialize(ar);
    b.Serialize(ar);
    if (a.Count() != b.Count()) {
        throw platform::ArchiveException(platform::ArchiveException::Cause::Generic,
                                         "The document is damaged: the two parts of a response differ in length.");
    }
    form_ = form;
    a_ = std::move(a);
    b_ = std::move(b);
}

}  // namespace halvane::signal
