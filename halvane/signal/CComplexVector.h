#pragma once

#include "halvane/signal/DbleVect.h"

namespace halvane::signal {

// A complex series held as two components of equal count in one of three
// forms, converted in place on demand.
class CComplexVector {
public:
    enum Form : int {
        Cartesian = 0,  // real part, imaginary part
        Polar = 1,      // linear magnitude, phase in radians
        Decibel = 2,    // 20 log10 of the magnitude, phase in radians
    };

    // The level that stands for a zero or negative magnitude: -20 log10(1e40).
    static constexpr double kFloorDb = -800.0;

    CComplexVector() = default;
    // n points of unspecified value in the given form.
    CComplexVector(int n, int form);

    int Form() const { return form_; }
    // Relabels the components without converting them (for callers that
    // fill the components themselves).
    void SetForm(int form) { form_ = form; }
    int Count() const { return a_.Count(); }
    DbleVect& A() { return a_; }
    const DbleVect& A() const { return a_; }
    DbleVect& B() { return b_; }
    const DbleVect& B() const { return b_; }
    // DbleVect::SetSize on both components.
    void SetSize(int n);

    // Convert every element to form 1, 0 or 2; a vector already in that form
    // is left alone.
    void ToPolar();
    void ToCartesian();
    void ToDecibel();

    // Stored form: uint16 form, then a and b in the DbleVect form.
    void Serialize(platform::ArchiveWriter& ar) const;
    // Raises ArchiveException for a form other than 0, 1, 2 or components of
    // unequal count; the vector is unchanged then.
    void Serialize(platform::ArchiveReader& ar);

private:
    int form_ = Cartesian;
    DbleVect a_;
    DbleVect b_;
};

}  // namespace halvane::signal
