#pragma once

#include <cstdint>
#include <memory>

#include "halvane/signal/CCurve.h"

namespace halvane::design {

// The correction of the measurement chain (microphone and input) prepared
// for one measurement run, removed from every measured curve. Modes:
//   1: -22.3 dB with table A;  2: +29.13 dB, no table;  3: -7.52 dB with table B.
class CCurveCorrectionManager {
public:
    // A manager for `mode` built on the template curve (the calibration
    // input): the template scaled by the mode's gain, multiplied by the
    // mode's table on the table's axis (modes 1 and 3), then smoothed to a
    // third octave on 25 points per octave from 5 Hz to 24 kHz. An empty
    // pointer for any other mode.
    static std::shared_ptr<CCurveCorrectionManager> Create(int mode, const signal::CCurve& templateCurve);

    // Removes the correction from a measured curve in place: the curve is
    // taken onto the correction's axis and divided by it (magnitudes divide,
    // phases subtract), so it ends on that axis. A curve already on it is
    // divided where it lies, without a copy. Safe to call from one thread at
    // a time; the manager itself is not changed.
    void Apply(signal::CCurve& curve) const;

    std::int32_t Mode() const { return mode_; }
    const signal::CCurve& Reference() const { return reference_; }
    const signal::CCurve& Correction() const { return correction_; }

    // The linear gain of a mode (1 for an unknown one).
    static double ModeGain(int mode);

private:
    CCurveCorrectionManager() = default;

    std::int32_t mode_ = 0;
    signal::CCurve reference_;
    // Held polar (as smoothing leaves it), so dividing by it never converts it.
    mutable signal::CCurve correction_;
};

// Removes a built-in table from one curve in place: type 1 divides by table
// A, type 2 by table B; any other type leaves the curve unchanged. No gain.
void MakeCorrectionCurve(signal::CCurve& curve, int type);

}  // namespace halvane::design
