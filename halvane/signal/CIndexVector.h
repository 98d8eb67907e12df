#pragma once

#include "halvane/signal/DbleVect.h"

namespace halvane::signal {

// An ascending axis: frequencies in Hz (kind 0) or times in seconds (kind 1).
// Every search relies on the ascending order.
class CIndexVector {
public:
    enum Kind : int { Frequency = 0, Time = 1 };

    CIndexVector() = default;
    CIndexVector(int n, int kind) : kind_(kind), values_(n) {}

    int Kind() const { return kind_; }
    void SetKind(int kind) { kind_ = kind; }
    int Count() const { return values_.Count(); }
    DbleVect& Values() { return values_; }
    const DbleVect& Values() const { return values_; }
    double& operator[](int i) { return values_[i]; }
    double operator[](int i) const { return values_[i]; }

    // The index of the point nearest to x; an exact tie gives the upper
    // point, and an empty axis gives 0.
    int NearestIndex(double x) const;
    // The first index whose value is strictly greater than x; count - 1 when
    // none is (and 0 on an empty axis).
    int UpperIndex(double x) const;

    // Stored form: uint16 kind, then the values in the DbleVect form.
    void Serialize(platform::ArchiveWriter& ar) const;
    void Serialize(platform::ArchiveReader& ar);

private:
    int kind_ = Frequency;
    DbleVect values_;
};

}  // namespace halvane::signal
