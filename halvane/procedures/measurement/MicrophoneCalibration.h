#pragma once

#include "halvane/signal/CCurve.h"
#include "platform/SoundSystem.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace halvane::procedures {

// The measurement microphone's calibration for one run: the correction kind
// (1, 2 or 3; it also chooses the microphone input level), the calibration
// curve the input correction is built on, the calibration data the
// document keeps (its size is the stored count), and the two identifiers
// the document stores with the measurements.
struct MicrophoneCalibration {
    std::int32_t kind = 2;
    signal::CCurve curve;
    std::shared_ptr<const std::vector<std::uint8_t>> data;
    std::int32_t firstId = 0;
    std::int32_t secondId = -1;
};

// Where the calibration comes from. Asked on the measurement worker (and by
// Quick Measure's Connect); false when none is available.
class ICalibrationSource {
public:
    virtual ~ICalibrationSource() = default;
    virtual bool GetCalibration(MicrophoneCalibration& calibration) = 0;
};

// A measurement microphone the program knows: its model (as the capture
// device's name carries it), the correction kind of its input, the level a
// full-scale take stands for at the input level of that kind (its absolute
// sensitivity), and the identifier stored with the measurements.
struct MeasurementMicrophone {
    const char* model;
    std::int32_t kind;
    double fullScaleSplDb;
    std::int32_t id;
};

// The microphones, in the order their names are searched: the Tessik QEX-1
// (built-in correction A) and the Fenwarde JOM-1 (built-in correction B).
const std::vector<MeasurementMicrophone>& MeasurementMicrophones();

// The microphone a capture device's name holds (case-sensitive, as the
// recorders accept names); the Tessik QEX-1, the program's own, when the
// name holds none.
const MeasurementMicrophone& MicrophoneForDevice(const std::string& deviceName);

// The calibration of a microphone: its kind, a flat curve at its absolute
// sensitivity (after the kind's gain, a full-scale take reads its
// full-scale level in dB SPL), its identifier and, as the calibration data,
// a short text naming the model, kind and sensitivity.
MicrophoneCalibration CalibrationForMicrophone(const MeasurementMicrophone& microphone);

// The program's calibration source: the microphone the recorders will
// choose (the first accepted capture device of the sound system) gives the
// calibration. With no accepted device present it answers the Tessik QEX-1's
// (the recorder then asks the user to connect one).
class MicrophoneCalibrationSource final : public ICalibrationSource {
public:
    explicit MicrophoneCalibrationSource(platform::SoundSystem& sound = platform::systemSoundSystem())
        : sound_(sound) {}
    bool GetCalibration(MicrophoneCalibration& calibration) override;
    // The device name the last answer came from (empty: none was present).
    const std::string& DeviceName() const { return deviceName_; }

private:
    platform::SoundSystem& sound_;
    std::string deviceName_;
};

// The microphone input level (mixer volume, 0..65535) a correction kind
// asks for: kind 1 16384, kinds 2 and 3 8192, any other 4096.
std::uint32_t InputLevelForKind(std::int32_t kind);

// The status shown once when the microphone's input has no volume control.
inline constexpr const char* kNoVolumeControlText =
    "The microphone input has no volume control: recording at the level the device gives.";

// The smoothing every measured response gets after its input correction
// (a sixth of an octave onto 25 points per octave from 5 Hz to 48 kHz).
void SmoothMeasuredResponse(signal::CCurve& curve);

// A calibration curve flat at `level` (linear) from 5 Hz to 24 kHz, finer
// (48 points per octave) than the smoothing that follows, since measured
// curves are taken onto the correction's axis.
signal::CCurve FlatCalibrationCurve(double level, const std::string& name);

// A microphone without any calibration: kind 2 (the input gain alone, no
// table) on a flat 0 dB curve. For tools and tests that want the bare
// chain; the program uses MicrophoneCalibrationSource.
MicrophoneCalibration FlatCalibration();

}  // namespace halvane::procedures
