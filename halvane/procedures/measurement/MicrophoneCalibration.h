#pragma once

#include "halvane/signal/CCurve.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace halvane {

// The measurement microphone's calibration for one run: the correction kind
// (1, 2 or 3; it also chooses the microphone input level), the calibration
// curve the input correction is built on, the calibration data the
// document keeps (its size is the stored count), and the two identifiers
// the document stores with the measurements.
struct MicrophoneCalibration {
    std::int32_t kind = 2;
    CCurve curve;
    std::shared_ptr<const std::vector<std::uint8_t>> data;
    std::int32_t firstId = 0;
    std::int32_t secondId = -1;
};

// Where the calibration comes from (a file of the microphone's maker, a
// test). Asked on the measurement worker; false when none is available.
class ICalibrationSource {
public:
    virtual ~ICalibrationSource() = default;
    virtual bool GetCalibration(MicrophoneCalibration& calibration) = 0;
};

// The calibration of a microphone without a calibration file: kind 2 (the
// input gain alone, no table) on a flat curve from 5 Hz to 24 kHz.
MicrophoneCalibration FlatCalibration();

}  // namespace halvane
