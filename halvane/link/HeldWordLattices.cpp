#include "halvane/link/HeldWordLattices.h"

#include <cmath>
#include <limits>

#include "halvane/link/BiquadWords.h"

namespace halvane::link {

double CoefficientWordLattice::Nearest(double x) const {
    if (!(x >= -2.0 && x <= 2.0)) return std::numeric_limits<double>::quiet_NaN();
    return 2.0 * FromCoefficientWord(ToCoefficientWord(x / 2.0));
}

double CoefficientWordLattice::Spacing(double x) const { return x < 0.0 ? 2.0 / 8388608.0 : 2.0 / 8388607.0; }

double FloatWordLattice::Nearest(double x) const {
    if (!(std::fabs(x) <= static_cast<double>(std::numeric_limits<float>::max())))
        return std::numeric_limits<double>::quiet_NaN();
    return static_cast<double>(static_cast<float>(x));
}

double FloatWordLattice::Spacing(double x) const {
    const float f = static_cast<float>(x);
    return static_cast<double>(std::nextafter(std::fabs(f), std::numeric_limits<float>::infinity())) -
           static_cast<double>(std::fabs(f));
}

const design::CoefficientLattice& HeldWordLattice(bool receiverClass) {
    static const CoefficientWordLattice words;
    static const FloatWordLattice floats;
    if (receiverClass) return floats;
    return words;
}

}  // namespace halvane::link
