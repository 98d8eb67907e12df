#include "halvane/procedures/measurement/MicrophoneCalibration.h"

#include <cmath>

namespace halvane {

MicrophoneCalibration FlatCalibration() {
    MicrophoneCalibration calibration;
    calibration.kind = 2;
    // The measured curves are taken onto the correction's axis, so it is
    // finer than the smoothing that follows (25 points per octave).
    std::vector<double> hz;
    for (int i = 0;; ++i) {
        const double f = 5.0 * std::pow(2.0, i / 48.0);
        if (f >= 24000.0) break;
        hz.push_back(f);
    }
    hz.push_back(24000.0);
    calibration.curve = CCurve(static_cast<int>(hz.size()), 0, 1);
    for (std::size_t i = 0; i < hz.size(); ++i) {
        calibration.curve.X()[i] = hz[i];
        calibration.curve.A()[i] = 1.0;
        calibration.curve.B()[i] = 0.0;
    }
    calibration.curve.SetName("Flat");
    return calibration;
}

}  // namespace halvane
