#pragma once

#include "halvane/design/FilterDesign.h"
#include "halvane/design/HeldCoefficients.h"

namespace halvane::signal {
class CCurve;
}

namespace halvane::design {

// How closely a finished chain makes the measured response follow its
// target: e(f) = 20 log10(|M| |H| 10^(GainSteps/40)) - 20 log10(|T| 10^(level/20))
// at the target's grid points from fLow to fHigh Hz. The figures the
// maintainers judge a fit by (and the benchmark's quality table).
struct BandError {
    double rms = 0.0;
    double max = 0.0;  // largest |e|
    double p95 = 0.0;  // 95th percentile of |e|
    int points = 0;
};

// The corrected error of `design` (its stage arrays and GainSteps).
BandError MeasureBandError(const signal::CCurve& measured, const signal::CCurve& target, const FilterDesign& design, double levelDb,
                           double fLow, double fHigh);
// The same without correction, the mean level difference taken out (what
// a plain level trim would leave).
BandError UncorrectedBandError(const signal::CCurve& measured, const signal::CCurve& target, double levelDb, double fLow, double fHigh);

// A copy of the design whose stages hold what the processor runs: the held
// values the calculation chooses on `lattice` (the link's word lattices).
FilterDesign QuantisedStages(const FilterDesign& design, const CoefficientLattice& lattice);

}  // namespace halvane::design
