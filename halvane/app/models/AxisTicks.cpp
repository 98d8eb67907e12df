#include "halvane/app/models/AxisTicks.h"

#include <charconv>
#include <cmath>

namespace halvane::app::models {

namespace {

// No axis draws more lines than this; a step too small for its values
// (low + step == low) would otherwise never end the loop.
constexpr int kMaxTicks = 5000;

// v mod step in [0, step); a residue within a billionth of a step of either
// end counts as 0, so an end that lies on the grid but carries rounding
// noise is treated as lying on it.
double PositiveMod(double v, double step) {
    double r = std::fmod(v, step);
    if (r < 0.0) r += step;
    const double slack = step * 1e-9;
    if (r < slack || r > step - slack) r = 0.0;
    return r;
}

// The high end with the same allowance.
double Through(double high, double step) { return high + step * 1e-9; }

bool UsableStep(double low, double high, double step) {
    return std::isfinite(low) && std::isfinite(high) && std::isfinite(step) && step > 0.0 &&
           (high - low) / step < kMaxTicks;
}

std::string General(double v, int precision) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, precision);
    return std::string(buffer, result.ptr);
}

}  // namespace

double NiceStep(double span) {
    if (!(span > 0.0) || !std::isfinite(span)) return 0.0;
    // The ends of a logarithmic axis come back through exp(ln v), so a span
    // of 100 may arrive as 99.99999999999986; the comparisons allow for
    // that instead of halving the step.
    constexpr double kSlack = 1e-9;
    const double b = std::pow(10.0, std::floor(std::log10(span) + kSlack));
    const double r = span / b;
    if (r <= 2.0 + kSlack) return b / 5.0;
    if (r < 5.0 - kSlack) return b / 2.0;
    return b;
}

namespace {

// Decades between low and high. A logarithmic axis gives its ends back
// through exp(ln v), a few units in the last place off: 20 .. 20000 comes
// back as 2.9999999999999996 decades. Counting whole decades allows for it.
double Decades(double low, double high) { return std::log10(high / low) + 1e-9; }

}  // namespace

bool SpansDecade(double low, double high) { return low > 0.0 && high > 0.0 && Decades(low, high) >= 1.0; }

double AxisStep(bool logarithmic, double low, double high) {
    if (logarithmic && SpansDecade(low, high)) return std::floor(Decades(low, high));
    return high > low ? NiceStep(high - low) : 0.0;
}

std::vector<AxisTick> LinearXTicks(double low, double high, double step) {
    std::vector<AxisTick> ticks;
    if (!UsableStep(low, high, step)) return ticks;
    const double first = low + step - PositiveMod(low, step);
    const double last = Through(high, step);
    for (int i = 0; i <= kMaxTicks; ++i) {
        const double v = first + i * step;
        if (v > last) break;
        ticks.push_back({v, true});
    }
    return ticks;
}

std::vector<AxisTick> LinearYTicks(double low, double high, double step, int minorDivisions) {
    std::vector<AxisTick> ticks;
    if (!UsableStep(low, high, step)) return ticks;
    const double first = low - PositiveMod(low, step);
    const double minor = minorDivisions > 0 ? step / minorDivisions : 0.0;
    const double last = Through(high, step);
    for (int i = 0; i <= kMaxTicks; ++i) {
        const double v = first + i * step;
        if (v > last) break;
        if (v >= low - step * 1e-9) ticks.push_back({v, true});
        for (int j = 1; minor > 0.0 && j < minorDivisions; ++j) {
            const double m = v + j * minor;
            if (m >= low && m <= high) ticks.push_back({m, false});
        }
    }
    return ticks;
}

std::vector<AxisTick> LogTicks(double low, double high) {
    std::vector<AxisTick> ticks;
    if (!(low > 0.0) || !(high > 0.0) || !std::isfinite(low) || !std::isfinite(high)) return ticks;
    static constexpr double kMajor[] = {1.0, 2.0, 5.0};
    static constexpr double kMinor[] = {1.5, 3.0, 4.0, 6.0, 7.0, 8.0, 9.0};
    const double lo = low / 1.01;
    const double hi = high * 1.01;
    const double last = std::pow(10.0, std::ceil(std::log10(hi)));
    double d = std::pow(10.0, std::floor(std::log10(lo)));
    // A range holds at most a few hundred decades of doubles.
    for (int decade = 0; decade < 700 && last >= d; ++decade, d *= 10.0) {
        for (double m : kMajor)
            if (m * d >= lo && m * d <= hi) ticks.push_back({m * d, true});
        for (double m : kMinor)
            if (m * d >= lo && m * d <= hi) ticks.push_back({m * d, false});
    }
    return ticks;
}

std::string FormatAxisNumber(double v) {
    if (v == 0.0) v = 0.0;  // never "-0"
    std::string text;
    for (int precision = 8; precision >= 1; --precision) {
        text = General(v, precision);
        if (text.size() <= 8) break;
    }
    if (!text.empty() && text.back() == '.') text.pop_back();
    return text;
}

std::string FormatXLabel(double v, double step, bool timeDomain) {
    if (std::fabs(v) < step / 2.0) v = 0.0;
    if (timeDomain) return FormatAxisNumber(v * 1000.0);
    if (std::fabs(v) >= 1000.0) return FormatAxisNumber(v / 1000.0) + "k";
    return FormatAxisNumber(v);
}

std::string FormatYLabel(double v, double step) {
    if (std::fabs(v) < step / 2.0) v = 0.0;
    return FormatAxisNumber(v);
}

std::string FormatFixed2(double v) {
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, 2);
    if (result.ec != std::errc()) return "nan";
    return std::string(buffer, result.ptr);
}

}  // namespace halvane::app::models
