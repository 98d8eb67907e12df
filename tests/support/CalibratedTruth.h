#pragma once

#include "halvane/design/CCurveCorrectionManager.h"
#include "halvane/procedures/measurement/MicrophoneCalibration.h"
#include "halvane/signal/ButterworthFilter.h"
#include "halvane/signal/CCurve.h"
#include "sim/Microphone.h"
#include "sim/MicrophoneResponse.h"
#include "sim/Room.h"

#include <cmath>
#include <complex>
#include <numbers>

namespace testsupport {

// What a calibrated take of the simulated room should read, before the
// program's smoothing: the room's path from `channel` to `position` at the
// take's level, through `highPasses` of the recorder's 10 Hz high-pass and
// the microphone's own response, corrected by `source`'s calibration (which
// takes that response out again where it is the calibration of the
// microphone the simulated one stands for). Complex, on the take's 8193
// points: every fourth bin of the microphone's 65536-sample period.
inline halvane::signal::CCurve CalibratedTruth(const sim::Room& room, const sim::Microphone& mic, halvane::procedures::ICalibrationSource& source,
                              int channel, int position, int highPasses) {
    const sim::MicKnobs knobs = mic.knobs();
    const double level = std::pow(10.0, knobs.sweepPeakDbfs / 20) * 32768.0 / 32767.0;
    const auto microphone = sim::MicrophoneResponseBins(knobs.model, 65536, 48000);
    const auto hp = halvane::signal::DesignButterworthHighPass(48000, 10.0);
    halvane::procedures::MicrophoneCalibration calibration;
    source.GetCalibration(calibration);
    auto manager = halvane::design::CCurveCorrectionManager::Create(calibration.kind, calibration.curve);
    halvane::signal::CCurve truth(8193, 0, 0);
    for (int i = 0; i < truth.Count(); ++i) {
        const double f = 24000.0 * i / 8192;
        const std::complex<double> z1 = std::polar(1.0, -2 * std::numbers::pi * f / 48000);
        const std::complex<double> hpz = (hp.b0 + hp.b1 * z1 + hp.b2 * z1 * z1) / (1.0 + hp.a1 * z1 + hp.a2 * z1 * z1);
        const std::complex<double> h = 4 * level * room.response(channel, position, f) *
                                       std::pow(hpz, highPasses) * microphone[static_cast<std::size_t>(4 * i)];
        truth.X()[i] = f;
        truth.A()[i] = h.real();
        truth.B()[i] = h.imag();
    }
    manager->Apply(truth);
    return truth;
}

}  // namespace testsupport
