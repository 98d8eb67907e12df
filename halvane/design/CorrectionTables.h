#pragma once

#include <array>
#include <memory>

namespace halvane::signal {
class CCurve;
}

namespace halvane::design {

// The built-in responses of the supported measurement inputs, 25 rows per
// octave from 10 Hz to 23525.34 Hz: a level in dB and a phase, placed
// unchanged into the dB-and-phase form.
struct CorrectionTableRow {
    double level;
    double phase;
};

inline constexpr int kCorrectionTableRows = 281;

extern const std::array<CorrectionTableRow, kCorrectionTableRows> kCorrectionTableA;
extern const std::array<CorrectionTableRow, kCorrectionTableRows> kCorrectionTableB;

// 10 * 2^(row / 25) Hz: row 25 is exactly 20 Hz, row 275 exactly 20480 Hz.
double CorrectionTableFrequency(int row);

// The table's 281-point curve in the dB-and-phase form: table 1 is A, any
// other value B.
std::unique_ptr<signal::CCurve> MakeCorrectionTableCurve(int table);

}  // namespace halvane::design
