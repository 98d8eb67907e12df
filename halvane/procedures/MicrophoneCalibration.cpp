#include "halvane/procedures/MicrophoneCalibration.h"

#include <cmath>

namespace halvane {

MicrophoneCalibration FlatCalibration() {
    MicrophoneCalibration calibration;
    calibration.kind = 2;
    // A third of an octave apart is as fine as the correction is smoothed.
    std::vector<double> hz;
    for (double f = 5.0; f < 24000.0; f *= std::pow(2.0, 1.0 / 3.0)) hz.push_back(f);
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
