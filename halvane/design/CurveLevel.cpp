#include "halvane/design/CurveLevel.h"

#include <cmath>

double ToLevelDb(double magnitude) {
    return magnitude > 0.0 ? 20.0 * std::log10(magnitude) : CComplexVector::kFloorDb;
}

double MagnitudeAt(const CCurve& curve, int i) {
    switch (curve.Form()) {
    case CComplexVector::Cartesian:
        return std::hypot(curve.A()[i], curve.B()[i]);
    case CComplexVector::Decibel:
        return std::pow(10.0, curve.A()[i] / 20.0);
    default:
        return curve.A()[i];
    }
}

double LevelDbAt(const CCurve& curve, int i) {
    if (curve.Form() == CComplexVector::Decibel) return curve.A()[i];
    return ToLevelDb(MagnitudeAt(curve, i));
}
