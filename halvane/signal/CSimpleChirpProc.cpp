#include "halvane/signal/CSimpleChirpProc.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "halvane/diagnostics/TCodedException.h"
#include "halvane/diagnostics/TException.h"
#include "halvane/signal/ButterworthFilter.h"
#include "halvane/signal/CCurveWriter.h"
#include "halvane/signal/ChirpFailures.h"
#include "halvane/signal/Phase.h"
#include "halvane/signal/WindowRotation.h"

namespace halvane::signal::AudioSampler {

namespace {

using diagnostics::TCodedException;
using diagnostics::TException;

constexpr double kHighPassHz = 10.0;

std::string Numbered(const char* format, int value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// Quick Measure keeps its reference sweep and spectrum for the rest of the
// process. They are rebuilt when a call brings another length or rate, and
// handed out shared so a rebuild never pulls them from under a running call.
struct QuickReference {
    int length = 0;
    int rate = 0;
    std::shared_ptr<const CCurve> sweep;
    std::shared_ptr<const CCurve> spectrum;
};

std::mutex quickMutex;
QuickReference quickReference;

// The reference for (length, rate), and whether this call built it.
QuickReference QuickReferenceFor(int length, int rate, bool& built) {
    std::lock_guard lock(quickMutex);
    built = false;
    if (quickReference.length != length || quickReference.rate != rate || !quickReference.spectrum) {
        auto sweep = CSimpleChirpProc::BuildReferenceChirp(length, rate);
        sweep->SetName("Chirp");
        auto fresh = CSimpleChirpProc::BuildReferenceChirp(length, rate);
        std::unique_ptr<CCurve> spectrum = fresh->ToFrequencyResponse();
        if (!spectrum) return {};
        spectrum->ToPolar();
        quickReference = {length, rate, std::move(sweep), std::move(spectrum)};
        built = true;
    }
    return quickReference;
}

}  // namespace

CSimpleChirpProc::CSimpleChirpProc(double* samples, int chirpLength, int sampleCount, int bitsPerSample,
                                   int sampleRate, CCurveWriter* writer, bool subwoofer)
    : samples_(samples),
      chirpLength_(chirpLength),
      sampleCount_(sampleCount),
      bitsPerSample_(bitsPerSample),
      sampleRate_(sampleRate),
      writer_(writer),
      subwoofer_(subwoofer) {}

std::unique_ptr<CCurve> CSimpleChirpProc::BuildReferenceChirp(int n, int rate) {
    auto curve = std::make_unique<CCurve>(n, CIndexVector::Time, CComplexVector::Cartesian);
    const int m = curve->Count();
    if (m < 1 || rate <= 0) return curve;
    const double N = n;
    const double R = rate;
    const double f1 = 17.0 * R / N;
    const double f2 = 31569.0 * R / N;
    const double k = std::log(f2 / f1) / (N / R);
    double* x = curve->X();
    double* a = curve->A();
    double* b = curve->B();
    // The axis is built as CCurve::FromSamples builds it, so the spectra of
    // the take and of the reference share one frequency axis exactly.
    for (int i = 0; i < m; ++i) {
        const double t = i / R;
        x[i] = t;
        a[i] = std::sin(kPhaseTwoPi * f1 * (std::exp(k * t) - 1.0) / k);
        b[i] = 0.0;
    }
    return curve;
}

void CSimpleChirpProc::Write(const CCurve& curve) const {
    if (writer_ != nullptr) writer_->WriteCurve(curve);
}

void CSimpleChirpProc::Write(const CCurve& curve, const std::string& name) const {
    if (writer_ != nullptr) writer_->WriteCurve(curve, name);
}

void CSimpleChirpProc::RemoveMean() {
    double sum = 0.0;
    for (int i = 0; i < sampleCount_; ++i) sum += samples_[i];
    const double mean = sum / sampleCount_;
    for (int i = 0; i < sampleCount_; ++i) samples_[i] -= mean;
}

int CSimpleChirpProc::FindImpulseOffset(const char* beforeName, const char* afterName) const {
    const int w = static_cast<int>(0.005 * sampleRate_);
    std::vector<double> copy(samples_, samples_ + chirpLength_);
    if (writer_ != nullptr && beforeName != nullptr) {
        auto c = CCurve::FromSamples(chirpLength_, static_cast<unsigned>(sampleRate_), copy.data());
        c->SetName(beforeName);
        Write(*c);
    }
    const int offset = RotateToQuietestWindow(copy.data(), chirpLength_, w);
    if (writer_ != nullptr && afterName != nullptr) {
        auto c = CCurve::FromSamples(chirpLength_, static_cast<unsigned>(sampleRate_), copy.data());
        c->SetName(afterName);
        Write(*c);
    }
    return offset;
}

// The rotation works modulo the period, so these cannot fire; they stay as
// the last guard before the periods are read from the take.
void CSimpleChirpProc::CheckOffset(int offset) const {
    if (offset < 0) throw TException(ChirpFailures::kNegativeOffset);
    if (offset >= chirpLength_) throw TException(ChirpFailures::kOffsetTooLarge);
}

std::unique_ptr<CCurve> CSimpleChirpProc::ImpulseAt(int offset, CCurve& referenceSpectrum, const char* timeName,
                                                    bool named) {
    auto period = CCurve::FromSamples(chirpLength_, static_cast<unsigned>(sampleRate_), samples_ + offset);
    if (writer_ != nullptr) {
        const std::string name = Numbered(timeName, offset);
        if (named) {
            period->SetName(name);
            Write(*period);
        } else {
            Write(*period, name);
        }
    }
    std::unique_ptr<CCurve> spectrum = period->ToFrequencyResponse();
    if (!spectrum) throw TException(ChirpFailures::kWrongImpulseLength);
    spectrum->Divide(referenceSpectrum);
    std::unique_ptr<CCurve> impulse = spectrum->ToImpulseResponse();
    if (!impulse || impulse->Count() != chirpLength_) throw TException(ChirpFailures::kWrongImpulseLength);
    return impulse;
}

double CSimpleChirpProc::SignalToNoise(const CCurve& impulse) const {
    const int head = chirpLength_ / 4;
    const double* x = impulse.A();
    double signal = 0.0, noise = 0.0;
    for (int i = 0; i < head; ++i) signal += x[i] * x[i];
    for (int i = head; i < chirpLength_; ++i) noise += x[i] * x[i];
    signal /= head;
    noise /= chirpLength_ - head;
    // Silence gives 0 / 0: NaN, which the caller's test must not pass.
    return 10.0 * std::log10(signal / noise);
}

double CSimpleChirpProc::SubwooferSignalToNoise(CCurve& impulse) const {
    impulse.ToCartesian();
    const unsigned rate = static_cast<unsigned>(sampleRate_);
    auto head = CCurve::FromSamples(chirpLength_ / 4, rate, impulse.A());
    auto tail = CCurve::FromSamples(chirpLength_ - chirpLength_ / 2, rate, impulse.A() + chirpLength_ / 2);
    std::unique_ptr<CCurve> hs = head->ToFrequencyResponse();
    std::unique_ptr<CCurve> ts = tail->ToFrequencyResponse();
    double ratio = hs && ts ? hs->RmsInRange(15, 500) / ts->RmsInRange(15, 500) : 0.0;
    if (!(ratio > 0)) ratio = 1e-40;
    return 20.0 * std::log10(ratio);
}

CSimpleChirpProc::Responses CSimpleChirpProc::ExtractImpulses() {
    const int L = chirpLength_;
    RemoveMean();
    ButterworthFilter(samples_, sampleCount_, sampleRate_, kHighPassHz);

    auto reference = BuildReferenceChirp(L, sampleRate_);
    std::unique_ptr<CCurve> rs = reference->ToFrequencyResponse();
    if (!rs) throw TException(ChirpFailures::kWrongImpulseLength);
    rs->SetName("Chirp");
    Write(*rs);

    const int b = FindImpulseOffset();
    CheckOffset(b);

    std::unique_ptr<CCurve> h1 = ImpulseAt(b, *rs, "Time_FFT_Resp_at_%d", false);
    std::unique_ptr<CCurve> h2 = ImpulseAt(b + L, *rs, "Time_FFT_Resp_at_%d", false);
    h1->ToCartesian();
    h2->ToCartesian();
    if (writer_ != nullptr) {
        h1->SetName("Impluse 1 prerotate");
        h2->SetName("Impluse 2 prerotate");
        Write(*h1);
        Write(*h2);
    }
    RotateToLoudestWindow(h1->A(), L, L / 8, h1->B());
    RotateToLoudestWindow(h2->A(), L, L / 8, h2->B());
    if (writer_ != nullptr) {
        h1->SetName("Impluse 1 postrotate");
        h2->SetName("Impluse 2 postrotate");
        Write(*h1);
        Write(*h2);
    }
    h1->SetName("");
    h2->SetName("");

    double snr1, snr2;
    if (subwoofer_) {
        snr1 = SubwooferSignalToNoise(*h1);
        snr2 = SubwooferSignalToNoise(*h2);
    } else {
        snr1 = SignalToNoise(*h1);
        snr2 = SignalToNoise(*h2);
    }
    // Written so that a NaN ratio (a silent take) fails.
    if (!(snr1 >= kMinSignalToNoiseDb) || !(snr2 >= kMinSignalToNoiseDb)) {
        if (subwoofer_)
            throw TCodedException(std::string(ChirpFailures::kSubwooferNoProperResponse) +
                                  ChirpFailures::kSubwooferAdvice);
        throw TException(ChirpFailures::kNoProperResponse);
    }

    if (writer_ != nullptr) {
        auto noise = CCurve::FromSamples(L - L / 4, static_cast<unsigned>(sampleRate_), h1->A() + L / 4);
        Write(*noise, "NOISE");
    }

    chirpLength_ = L / 4;
    h1->SetSize(chirpLength_);
    h2->SetSize(chirpLength_);
    Responses r{h1->ToFrequencyResponse(), h2->ToFrequencyResponse()};
    if (!r.a || !r.b) throw TException(ChirpFailures::kWrongImpulseLength);
    return r;
}

std::unique_ptr<CCurve> CSimpleChirpProc::MeasureResponse() {
    if (chirpLength_ != kMeasureChirpLength || sampleCount_ != kMeasureSampleCount || sampleRate_ != kRate ||
        samples_ == nullptr)
        return nullptr;
    Responses r = ExtractImpulses();
    std::unique_ptr<CCurve> result = r.a->Clone();
    r.a->Smooth(6, 25, 5, 48000);
    r.b->Smooth(6, 25, 5, 48000);
    if (CheckBackgroundNoise(*r.a, *r.b)) return result;
    if (subwoofer_)
        throw TCodedException(std::string(ChirpFailures::kBackgroundNoise) + ChirpFailures::kSubwooferAdvice);
    throw TException(ChirpFailures::kBackgroundNoise);
}

bool CSimpleChirpProc::CheckBackgroundNoise(CCurve& a, CCurve& b) const {
    a.ToDecibel();
    b.ToDecibel();
    const double lo = subwoofer_ ? 20.0 : 80.0;
    const double hi = subwoofer_ ? 350.0 : 20000.0;
    const int n = a.Count();
    if (n != b.Count() || n == 0) return false;
    const double* xa = a.X();
    const double* xb = b.X();
    const double* la = a.A();
    const double* lb = b.A();

    const int first = a.Axis().NearestIndex(lo);
    const int last = a.Axis().NearestIndex(hi);
    double peak = -HUGE_VAL;
    for (int i = first; i < last; ++i) peak = std::max(peak, la[i]);

    for (int i = 0; i < n; ++i) {
        if (!(xa[i] >= lo && xa[i] <= hi)) continue;
        if (xb[i] != xa[i]) return false;
        if (peak - la[i] > 20.0 && peak - lb[i] > 20.0) continue;
        // Written so that a NaN level fails.
        if (!(std::fabs(la[i] - lb[i]) <= 3.0)) return false;
    }
    return true;
}

std::unique_ptr<CCurve> CSimpleChirpProc::QuickResponse() {
    // The period read at the offset must lie inside the take: two periods
    // at least.
    if (sampleRate_ != kRate || samples_ == nullptr || chirpLength_ < 64 ||
        sampleCount_ / 2 < chirpLength_)
        return nullptr;
    if (writer_ != nullptr) {
        auto all = CCurve::FromSamples(sampleCount_, 48000, samples_);
        all->SetName("Double Buf");
        Write(*all);
    }
    return ProcessCurves();
}

std::unique_ptr<CCurve> CSimpleChirpProc::ProcessCurves() {
    const int L = chirpLength_;
    RemoveMean();
    bool built = false;
    const QuickReference ref = QuickReferenceFor(L, sampleRate_, built);
    if (!ref.spectrum) throw TException(ChirpFailures::kWrongImpulseLength);
    if (built) Write(*ref.sweep);

    const int b = FindImpulseOffset("Pre Rotate", "Post Rotate");
    CheckOffset(b);

    std::unique_ptr<CCurve> spectrumCopy = ref.spectrum->Clone();
    std::unique_ptr<CCurve> h = ImpulseAt(b, *spectrumCopy, "FFT resp at %d", true);
    // The live display high-passes the impulse twice over (each run itself
    // in steady state): the take was not filtered before the offset search.
    h->ToCartesian();
    ButterworthFilter(h->A(), L, sampleRate_, kHighPassHz);
    ButterworthFilter(h->A(), L, sampleRate_, kHighPassHz);
    RotateWithPreroll(h->A(), L, static_cast<int>(0.005 * sampleRate_), static_cast<int>(0.07 * sampleRate_),
                      h->B());

    chirpLength_ = L / 4;
    h->SetSize(chirpLength_);
    h->SetName("Retained Impulse");
    Write(*h);
    std::unique_ptr<CCurve> response = h->ToFrequencyResponse();
    if (response) response->SetName("");
    return response;
}

}  // namespace halvane::signal::AudioSampler
