#pragma once

#include <memory>

#include "halvane/signal/CCurve.h"

namespace halvane::signal {

class CCurveWriter;

}  // namespace halvane::signal

namespace halvane::signal::AudioSampler {

// Turns one recording of the processor's repeating test sweep into the
// loudspeaker's frequency response: the recording is deconvolved by a
// reference sweep, the impulse centred and checked, and a quarter of the
// sweep period of it transformed back. Built by the caller for one take and
// used once: the processing changes the samples in place and quarters the
// chirp length once the impulse is cut.
//
// Failures throw diagnostics::TException with the measurement's coded text;
// with the subwoofer flag the signal-to-noise and background-noise failures
// throw diagnostics::TCodedException instead (the measurement job offers to
// restart the whole procedure for those).
class CSimpleChirpProc {
public:
    // The measurement's take: three sweep periods of 65536 samples at 48 kHz.
    static constexpr int kMeasureChirpLength = 65536;
    static constexpr int kMeasureSampleCount = 3 * kMeasureChirpLength;
    static constexpr int kRate = 48000;
    // Signal-to-noise ratio a take must reach, in dB.
    static constexpr double kMinSignalToNoiseDb = 15.0;

    // `samples` (sampleCount doubles, owned by the caller) is modified in
    // place. `writer` is optional and not owned. `bitsPerSample` is carried
    // along only.
    CSimpleChirpProc(double* samples, int chirpLength, int sampleCount, int bitsPerSample, int sampleRate,
                     CCurveWriter* writer = nullptr, bool subwoofer = false);

    // The unsmoothed response of the first sweep period: 8193 points from 0
    // to 24000 Hz. None, without throwing, unless the take is 196608 samples
    // of a 65536-sample sweep at 48000 Hz.
    std::unique_ptr<CCurve> MeasureResponse();
    // Quick Measure's response of one sweep period. None, without throwing,
    // unless the rate is 48000 Hz, the chirp length is at least 64 and the
    // take holds at least two periods.
    std::unique_ptr<CCurve> QuickResponse();

    int ChirpLength() const { return chirpLength_; }
    int SampleCount() const { return sampleCount_; }
    int BitsPerSample() const { return bitsPerSample_; }
    int SampleRate() const { return sampleRate_; }
    bool Subwoofer() const { return subwoofer_; }

    // The reference sweep of n samples at `rate`: a time curve (form 0)
    // whose real part is sin(2 pi f1 (e^(K t) - 1) / K), f1 = 17 rate / n,
    // f2 = 31569 rate / n, K = ln(f2 / f1) / (n / rate).
    static std::unique_ptr<CCurve> BuildReferenceChirp(int n, int rate);

    // Whether two smoothed responses of consecutive periods agree within the
    // measurement band (80 .. 20000 Hz; 20 .. 350 Hz for the subwoofer):
    // points more than 20 dB below the band's peak in both are ignored, any
    // other point may differ by 3 dB at most. Leaves both curves in dB form.
    bool CheckBackgroundNoise(CCurve& a, CCurve& b) const;

    // Where a sweep period starts: the shift that RotateToQuietestWindow
    // (5 ms window) applies to a copy of the first chirp-length samples.
    int FindImpulseOffset(const char* beforeName = nullptr, const char* afterName = nullptr) const;

private:
    struct Responses {
        std::unique_ptr<CCurve> a, b;
    };
    Responses ExtractImpulses();
    std::unique_ptr<CCurve> ProcessCurves();
    std::unique_ptr<CCurve> ImpulseAt(int offset, CCurve& referenceSpectrum, const char* timeName, bool named);
    double SignalToNoise(const CCurve& impulse) const;
    double SubwooferSignalToNoise(CCurve& impulse) const;
    void CheckOffset(int offset) const;
    void RemoveMean();
    void Write(const CCurve& curve) const;
    void Write(const CCurve& curve, const std::string& name) const;

    double* samples_;
    int chirpLength_;
    int sampleCount_;
    int bitsPerSample_;
    int sampleRate_;
    CCurveWriter* writer_;
    bool subwoofer_;
};

}  // namespace halvane::signal::AudioSampler
