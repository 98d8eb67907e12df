#pragma once

#include <memory>
#include <string>

#include "halvane/signal/CComplexVector.h"
#include "halvane/signal/CIndexVector.h"
#include "halvane/signal/CurveHandle.h"

namespace halvane::signal {

// A pair of components in a curve's own form: (real, imaginary),
// (magnitude, phase) or (dB, phase).
struct CurveValue {
    double first = 0.0;
    double second = 0.0;
};

// One response: a frequency response (axis in Hz) or a stretch of signal
// (axis in seconds), with complex values in one of the three forms and a
// name. The axis and both value components always have the same count.
//
// Operations work in place and leave the curve in the form they name.
// Those that resample another curve onto this axis (Multiply, Divide,
// AccumulatePower, ToUniformGrid) leave that other curve polar with its
// phase unwrapped; the crossing searches leave this curve in dB form;
// RmsInRange and LimitPeaks leave it polar.
class CCurve {
public:
    static constexpr double kTiny = 1e-40;  // the smallest magnitude kept apart from zero
    static constexpr double kHuge = 1e40;   // the quotient of a non-zero value by zero

    CCurve() = default;
    CCurve(int n, int axisKind, int form);
    virtual ~CCurve() = default;
    CCurve(const CCurve&) = default;
    CCurve& operator=(const CCurve&) = default;
    CCurve(CCurve&&) noexcept = default;
    CCurve& operator=(CCurve&&) noexcept = default;

    // --- Contents ---------------------------------------------------------
    int Count() const { return axis_.Count(); }
    int AxisKind() const { return axis_.Kind(); }
    int Form() const { return values_.Form(); }
    CIndexVector& Axis() { return axis_; }
    const CIndexVector& Axis() const { return axis_; }
    CComplexVector& Values() { return values_; }
    const CComplexVector& Values() const { return values_; }
    double* X() { return axis_.Values().Data(); }
    const double* X() const { return axis_.Values().Data(); }
    double* A() { return values_.A().Data(); }
    const double* A() const { return values_.A().Data(); }
    double* B() { return values_.B().Data(); }
    const double* B() const { return values_.B().Data(); }
    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }

    void ToPolar() { values_.ToPolar(); }
    void ToCartesian() { values_.ToCartesian(); }
    void ToDecibel() { values_.ToDecibel(); }

    // DbleVect::SetSize(n) on the axis and both components.
    void SetSize(int n);
    // Gives the target this curve's axis kind, form, count, axis and
    // components (not the name).
    void CopyTo(CCurve& target) const;
    std::unique_ptr<CCurve> Clone() const;

    // --- Interpolation and resampling --------------------------------------
    // The value at frequency f in this curve's own form: the first component
    // linear in log frequency, the phase linear in frequency, with the 0 Hz
    // rules of the response model. s is where the search starts (pass the
    // index found for the previous, lower frequency). A curve of one point
    // answers that point, an empty one zeros.
    CurveValue ValueAt(int s, double f) const;
    // This curve on the grid curve's axis (axis kind 0, form 1). When both
    // axes are identical the answer is this curve itself, untouched;
    // otherwise this curve is first made polar and unwrapped along its delay.
    CurveHandle ResampleTo(const CCurve& grid);

    // --- Arithmetic ----------------------------------------------------------
    void Multiply(CCurve& other);
    void Divide(CCurve& divisor);
    void MultiplyByComplex(double re, double im);
    // One step of the spatial average: adds other's squared magnitude to this
    // curve's first component and moves this phase to the power-weighted mean.
    void AccumulatePower(CCurve& other);

    // --- Phase ---------------------------------------------------------------
    void WrapPhase();          // polar, every phase into (-pi, pi]
    void WrapPhasePositive();  // polar, every phase into [0, 2 pi)
    // Polar, phase unwrapped so its whole turns follow a constant delay.
    // Curves of fewer than two points are only made polar and wrapped.
    void UnwrapPhaseAlongDelay();

    // --- Ranges and searches -----------------------------------------------
    // The largest first and, separately, the largest second component from
    // UpperIndex(f1) to UpperIndex(f2), in the current form. An empty curve
    // gives zeros.
    CurveValue MaxInRange(double f1, double f2) const;
    // Polar; root mean square of the magnitudes with f1 <= f <= f2 (NaN for
    // a range without points).
    double RmsInRange(double f1, double f2);
    // dB form; from the first point at or above f0 downwards, the frequency
    // of the first point below `level`, else the first axis frequency.
    double FindLowerCrossing(double f0, double level);
    // dB form; from the last point at or below f0 upwards, the frequency of
    // the first point below `level`, else the last axis frequency.
    double FindUpperCrossing(double f0, double level);
    // Polar; every excursion above 1 whose peak P exceeds the limit L is
    // compressed, m -> (1 - k) m + k with k = (L - P) / (1 - P), so its peak
    // becomes L and the points at 1 stay at 1. A limit of 1 or less only
    // makes the curve polar.
    void LimitPeaks(double limit);

    // --- Smoothing and transforms --------------------------------------------
    // Fractional-octave smoothing (a negative width selects ERB smoothing)
    // onto a grid of perOctave points per octave from max(fLow, x[1]) to
    // fHigh; see SmoothComplexResponse. The result is polar with its phases
    // in (-pi, pi]. A curve of fewer than three points is only made polar
    // and wrapped. Raises std::bad_alloc when the work arrays cannot be
    // allocated; the curve then keeps its points (in form 0).
    void Smooth(double width, int perOctave, double fLow, double fHigh);
    // The spectrum of a time curve: N/2 + 1 points spaced 1 / (N dt) from
    // 0 Hz, N the power of two at or above the count, values x 2 / N. A
    // frequency curve is cloned. None for fewer than two points or when the
    // work arrays cannot be allocated.
    std::unique_ptr<CCurve> ToFrequencyResponse();
    // The impulse response of a frequency curve: the Hermitian spectrum of
    // its uniform-grid form transformed back, N = 2 count - 2 points spaced
    // 1 / (N df), values x N / 2. A time curve is cloned. None for fewer
    // than two points or when the work arrays cannot be allocated.
    std::unique_ptr<CCurve> ToImpulseResponse();
    // This curve on a uniform grid from 0 Hz: itself when its spacing is
    // uniform and the grid would have its count; 32769 points spaced
    // 44100 / 65536 Hz for a non-uniform axis.
    CurveHandle ToUniformGrid();
    // A time curve of n samples at `rate`: axis i / rate seconds, real part
    // the samples, imaginary part 0.
    static std::unique_ptr<CCurve> FromSamples(int n, unsigned rate, const double* samples);

    // --- Stored form ---------------------------------------------------------
    // Axis, values, uint16 0, uint32 0, then the name in the framework's
    // 16-bit string form.
    void Serialize(platform::ArchiveWriter& ar) const;
    // Raises ArchiveException for a damaged curve (bad form, unequal counts,
    // a count beyond the stream); the curve is unchanged then.
    void Serialize(platform::ArchiveReader& ar);

private:
    CIndexVector axis_;
    CComplexVector values_;
    std::string name_;
};

}  // namespace halvane::signal
