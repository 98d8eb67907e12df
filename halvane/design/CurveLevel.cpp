#include "halvane/design/CurveLevel.h"

#include <cmath>

namespace halvane::design {

double ToLevelDb(double magnitude) {
    return magnitude > 0.0 ? 20.0 * std::log10(magnitude) : signal::CComplexVector::kFloorDb;
}

double MagnitudeAt(const signal::CCurve& curve, int i) {
    switch (curve.Form()) {
    case signal::CComplexVector::Cartesian:
        return std::hypot(curve.A()[i], curve.B()[i]);
    case signal::CComplexVector::Decibel:
        return std::pow(10.0, curve.A()[i] / 20.0);
    default:
        return curve.A()[i];
    }
}

double LevelDbAt(const signal::CCurve& curve, int i) {
    if (curve.Form() == signal::CComplexVector::Decibel) return curve.A()[i];
    return ToLevelDb(MagnitudeAt(curve, i));
}

}  // namespace halvane::design
