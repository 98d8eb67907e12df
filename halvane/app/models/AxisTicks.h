#pragma once

#include <string>
#include <vector>

namespace halvane::app::models {

// One grid line of an axis: its value and whether it is a major (labelled)
// line.
struct AxisTick {
    double value = 0.0;
    bool major = true;
};

// A round grid step for a linear span: b = 10^floor(log10 span), then b / 5
// when span / b <= 2, b / 2 when span / b < 5, else b. No step (0) for a
// span that is not positive and finite.
double NiceStep(double span);

// The grid step of an axis from low to high: on a logarithmic axis that
// spans at least a decade, the number of whole decades; otherwise
// NiceStep(high - low), or 0 for an empty range.
double AxisStep(bool logarithmic, double low, double high);

// True when a logarithmic axis from low to high is drawn with decades (it
// spans at least one); a narrower one is drawn as a linear axis.
bool SpansDecade(double low, double high);

// The lines of a linear x axis: from low + step - (low mod step), the mod
// taken into [0, step), every step up to high; all major.
std::vector<AxisTick> LinearXTicks(double low, double high, double step);

// The lines of a linear y axis: majors from low - (low mod step) while at
// most high (only those at or above low are kept), and between each major
// and the next, minors every step / minorDivisions that lie in [low, high].
std::vector<AxisTick> LinearYTicks(double low, double high, double step, int minorDivisions);

// The lines of a logarithmic axis over [low / 1.01, high * 1.01]: per
// decade d, majors at 1, 2 and 5 d and minors at 1.5, 3, 4, 6, 7, 8 and 9 d.
std::vector<AxisTick> LogTicks(double low, double high);

// A number with 8 significant digits in the shortest general form, at most
// 8 characters (fewer digits when it would be longer), without a trailing
// "."; written in the same way whatever the user's locale.
std::string FormatAxisNumber(double v);

// The label of an x grid line: 0 when its magnitude is below half the step;
// in the frequency domain "k" and the value in thousands from 1000 up; in
// the time domain the value in milliseconds. Pass step 0 on a decade axis
// (whose lines are never near zero).
std::string FormatXLabel(double v, double step, bool timeDomain);
// The label of a y grid line: as on x, without "k" and the time scaling.
std::string FormatYLabel(double v, double step);

// "%.2lf" of v, in the same way whatever the user's locale.
std::string FormatFixed2(double v);

}  // namespace halvane::app::models
