#include "halvane/procedures/measurement/MicrophoneCalibration.h"

#include "halvane/design/CCurveCorrectionManager.h"
#include "halvane/signal/AcceptedMicrophones.h"

#include <cmath>
#include <cstdio>

namespace halvane::procedures {

namespace {

constexpr std::int32_t kNoSerial = -1;
constexpr double kFullScaleResponse = 4.0;

}  // namespace

const std::vector<MeasurementMicrophone>& MeasurementMicrophones() {
    // Full-scale levels at the input level of each kind (16384 for A, 8192
    // for B): a room's test tone of 75-90 dB SPL records at about -30 to
    // -45 dBFS, well clear of clipping and of the input's own noise.
    static const std::vector<MeasurementMicrophone> microphones = {
        {"QEX-1", 1, 120.0, 1},
        {"JOM-1", 3, 118.0, 2},
    };
    return microphones;
}

const MeasurementMicrophone& MicrophoneForDevice(const std::string& deviceName) {
    const auto& microphones = MeasurementMicrophones();
    // The accepted names in their order; each holds one model.
    for (const char* accepted : signal::AudioSampler::AcceptedMicrophoneNames) {
        if (deviceName.find(accepted) == std::string::npos) continue;
        for (const MeasurementMicrophone& m : microphones)
            if (std::string(accepted).find(m.model) != std::string::npos) return m;
    }
    return microphones.front();
}

signal::CCurve FlatCalibrationCurve(double level, const std::string& name) {
    std::vector<double> hz;
    for (int i = 0;; ++i) {
        const double f = 5.0 * std::pow(2.0, i / 48.0);
        if (f >= 24000.0) break;
        hz.push_back(f);
    }
    hz.push_back(24000.0);
    signal::CCurve curve(static_cast<int>(hz.size()), 0, 1);
    for (std::size_t i = 0; i < hz.size(); ++i) {
        curve.X()[i] = hz[i];
        curve.A()[i] = level;
        curve.B()[i] = 0.0;
    }
    curve.SetName(name);
    return curve;
}

MicrophoneCalibration CalibrationForMicrophone(const MeasurementMicrophone& microphone) {
    MicrophoneCalibration calibration;
    calibration.kind = microphone.kind;
    // The correction divides every measured curve by curve x kind gain (x
    // the kind's table, about 0 dB in the midrange). The chirp processing
    // answers a full-scale sweep through a flat path with 4 (its transform
    // scales), which then reads the full-scale level.
    const double level = kFullScaleResponse * std::pow(10.0, -microphone.fullScaleSplDb / 20.0) /
                         design::CCurveCorrectionManager::ModeGain(microphone.kind);
    calibration.curve = FlatCalibrationCurve(level, microphone.model);
    char text[96];
    const int n = std::snprintf(text, sizeof text, "microphone=%s;kind=%d;fullscale=%.1f dB SPL", microphone.model,
                                static_cast<int>(microphone.kind), microphone.fullScaleSplDb);
    calibration.data = std::make_shared<const std::vector<std::uint8_t>>(text, text + (n > 0 ? n : 0));
    calibration.firstId = microphone.id;
    calibration.secondId = kNoSerial;
    return calibration;
}

bool MicrophoneCalibrationSource::GetCalibration(MicrophoneCalibration& calibration) {
    unsigned index = 0;
    std::string name;
    deviceName_ = signal::AudioSampler::FindAcceptedMicrophone(sound_, index, name) ? name : std::string();
    calibration = CalibrationForMicrophone(MicrophoneForDevice(deviceName_));
    return true;
}

std::uint32_t InputLevelForKind(std::int32_t kind) {
    switch (kind) {
        case 1: return 16384;
        case 2:
        case 3: return 8192;
        default: return 4096;
    }
}

void SmoothMeasuredResponse(signal::CCurve& curve) { curve.Smooth(6, 25, 5, 48000); }

MicrophoneCalibration FlatCalibration() {
    MicrophoneCalibration calibration;
    calibration.kind = 2;
    calibration.curve = FlatCalibrationCurve(1.0, "Flat");
    return calibration;
}

}  // namespace halvane::procedures
