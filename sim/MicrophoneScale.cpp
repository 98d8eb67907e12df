#include "sim/MicrophoneScale.h"

namespace sim {

double MicrophoneFullScaleSplDb(const std::string& deviceName) {
    return deviceName.find("JOM-1") != std::string::npos ? 118.0 : 120.0;
}

MicKnobs CalibratedKnobs(const std::string& deviceName, const RoomLevels& levels) {
    const double fullScale = MicrophoneFullScaleSplDb(deviceName);
    MicKnobs k;
    k.sweepPeakDbfs = levels.toneSplDb - fullScale;
    k.noiseDbfs = levels.noiseSplDb - fullScale;
    k.model = MicrophoneModelForDevice(deviceName);
    return k;
}

}  // namespace sim
