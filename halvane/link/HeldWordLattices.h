#pragma once

#include "halvane/design/HeldCoefficients.h"

namespace halvane::link {

// The values a flagship's coefficient words hold: a coefficient x goes up
// as the 24-bit word of x / 2, so x lies in [-2, 2] in steps of about 2^-22.
class CoefficientWordLattice final : public design::CoefficientLattice {
public:
    bool HoldsNumeratorRatios() const override { return false; }
    double Nearest(double x) const override;
    double Spacing(double x) const override;
};

// The values a receiver's float words hold: b1/b0, b2/b0, -a1 and -a2 as
// single-precision floats, b0 folded into the channel's float gain.
class FloatWordLattice final : public design::CoefficientLattice {
public:
    bool HoldsNumeratorRatios() const override { return true; }
    double Nearest(double x) const override;
    double Spacing(double x) const override;
};

// The lattice of the words a unit class's processors hold.
const design::CoefficientLattice& HeldWordLattice(bool receiverClass);

}  // namespace halvane::link
