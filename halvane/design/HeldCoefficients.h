#pragma once

#include <vector>

#include "halvane/design/FilterDesign.h"

namespace halvane::design {

// The values a processor's words can hold for a stage's coefficients, as
// seen by the design: the link knows the words, the design only where the
// held values lie.
class CoefficientLattice {
public:
    virtual ~CoefficientLattice() = default;
    // True when the processor holds a numerator as b1/b0 and b2/b0 and
    // folds b0 into a gain it holds far more finely; false when it holds
    // b0, b1 and b2 themselves.
    virtual bool HoldsNumeratorRatios() const = 0;
    // The held value nearest to coefficient x; NaN when no word holds a
    // value that near (x out of range, or not a number).
    virtual double Nearest(double x) const = 0;
    // The spacing of the held values at x.
    virtual double Spacing(double x) const = 0;
};

// Replaces every stage's coefficients by held values, chosen with the
// whole chain's response in view instead of rounding each coefficient on
// its own.
//
// Near 0 Hz at the high rates a stage's pole frequency hangs on 1 + a1 + a2
// (and a zero's on b0 + b1 + b2), which the words hold only in coarse steps;
// the fitter's low-frequency stages sit in near-cancelling pole/zero pairs,
// and rounding each coefficient alone pulls a pair apart by decibels. So
// each stage tries those two sums one and two steps either side of their
// rounding, fits the finely held a2, b0 and b2 (least squares on the dB
// difference from the exact chain, 15 Hz to 20 kHz, the differences of the
// stages already chosen included) and keeps the best stable choice. The
// coarsest stages go first; further passes over the chain (up to nine,
// until no stage moves) try one step either side of each stage's current
// choice, so stacked pairs walk together to where they answer each other.
// Least squares alone leave the chain's difference piled up where those
// stages sit; a chain still half a decibel off anywhere from 20 Hz up is
// walked again (up to four times) with its frequencies weighted by how far
// off it is there, and the chain least off anywhere is kept. What level
// the chain still loses goes to the numerators that hold it best.
//
// Stages stay stable (|a2| < 1, |a1| < 1 + a2), every value stays one the
// lattice holds (|b1| <= 2 on the flagship's words); A0 becomes 1.
// GainSteps does not change.
void ChooseHeldCoefficients(FilterDesign& design, const CoefficientLattice& lattice);

// ChooseHeldCoefficients for every design, several at once where the build
// runs loops in parallel; each design's choice is its own, so the result is
// the same whatever the number of threads.
void ChooseHeldCoefficients(const std::vector<FilterDesign*>& designs, const CoefficientLattice& lattice);

// The largest |dB| by which the chain `held` differs from `exact` (the
// same rate and stage count) at any frequency from fLow to fHigh Hz
// (capped below Nyquist), the gain words included; the RMS of that
// difference in `rms` when given. Both evaluated on a fine logarithmic
// grid.
double LargestChainDifferenceDb(const FilterDesign& exact, const FilterDesign& held, double fLow, double fHigh,
                                double* rms = nullptr);

}  // namespace halvane::design
