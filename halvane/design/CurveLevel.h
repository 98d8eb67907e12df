#pragma once

#include "halvane/signal/CCurve.h"

namespace halvane::design {

// The magnitude and level of one point of a curve in whatever form it is
// held, without converting the curve (the measured curves a target reads
// belong to their curve set). A zero magnitude reads as the -800 dB floor,
// as CComplexVector::ToDecibel gives it.
double MagnitudeAt(const signal::CCurve& curve, int i);
double LevelDbAt(const signal::CCurve& curve, int i);
// 20 log10 of a magnitude, with the same floor.
double ToLevelDb(double magnitude);

}  // namespace halvane::design
