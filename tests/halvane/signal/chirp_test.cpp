#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <tuple>
#include <string>
#include <vector>

#include "ChirpTakes.h"
#include "tests/support/TestData.h"
#include "halvane/diagnostics/TCodedException.h"
#include "halvane/diagnostics/TException.h"
#include "halvane/signal/ButterworthFilter.h"
#include "halvane/signal/CSimpleChirpProc.h"
#include "halvane/signal/WindowRotation.h"
#include "sim/Microphone.h"
#include "sim/Room.h"

using namespace halvane::signal;

using halvane::signal::AudioSampler::CSimpleChirpProc;
using chirptakes::RecordingWriter;
using chirptakes::ToDoubles;

namespace {

constexpr int L = 65536;
constexpr int kTake = 3 * L;

// The text of the TException the call throws ("" when it throws none).
template <typename F>
std::string TExceptionText(F&& f) {
    try {
        f();
    } catch (const halvane::diagnostics::TException& e) {
        return e.what();
    }
    return "";
}

// The text of the TCodedException the call throws; a TException fails.
template <typename F>
std::string CodedText(F&& f) {
    try {
        try {
            f();
        } catch (const halvane::diagnostics::TException& e) {
            ADD_FAILURE() << "caught as TException: " << e.what();
        }
    } catch (const halvane::diagnostics::TCodedException& e) {
        EXPECT_EQ(e.code, 4);
        return e.message;
    }
    return "";
}

const std::string kAdvice =
    "\r\nIf you receive this message several times or are unable to complete the subwoofer\r\nmeasurement you can "
    "try increasing the subwoofer level using it's level control.\r\nIf you chose to do this and you have already "
    "completed a position you must restart\r\nthe measurement procedure.";

TEST(ChirpReference, IsTheLogarithmicSweepOfScipy) {
    // data/chirp_reference_sweep.txt: scipy.signal.chirp(..., method='logarithmic', phi=-90); see
    // data/make_chirp_reference.py.
    auto sweep = CSimpleChirpProc::BuildReferenceChirp(L, 48000);
    ASSERT_EQ(sweep->Count(), L);
    EXPECT_EQ(sweep->AxisKind(), CIndexVector::Time);
    EXPECT_EQ(sweep->Form(), CComplexVector::Cartesian);
    for (const auto& row : testdata::Rows("chirp_reference_sweep.txt")) {
        const int i = static_cast<int>(row[0]);
        EXPECT_NEAR(sweep->A()[i], row[1], 1e-9) << i;
        EXPECT_EQ(sweep->B()[i], 0.0);
        EXPECT_DOUBLE_EQ(sweep->X()[i], i / 48000.0);
    }
}

// A synthetic take through a known biquad comes out as 4 |H| |HP10|: the
// inverse transform scales by N/2 and the final spectrum by 2/(L/4), 12 dB
// in all, and the processing's own 10 Hz high-pass stays in.
TEST(MeasureResponse, RecoversAKnownBiquadAsScipyComputesIt) {
    const auto rows = testdata::Rows("chirp_biquad.txt");
    const chirptakes::Biquad q{rows[0][0], rows[0][1], rows[0][2], rows[0][3], rows[0][4]};
    auto take = chirptakes::ThroughBiquad(q, kTake, 20000, 1e-4);
    CSimpleChirpProc proc(take.data(), L, kTake, 16, 48000);
    std::unique_ptr<CCurve> r = proc.MeasureResponse();
    ASSERT_TRUE(r);
    EXPECT_EQ(proc.ChirpLength(), 16384);
    ASSERT_EQ(r->Count(), 8193);
    EXPECT_EQ(r->X()[0], 0.0);
    EXPECT_DOUBLE_EQ(r->X()[8192], 24000.0);
    r->ToPolar();
    int checked = 0;
    double worst = 0;
    for (std::size_t k = 1; k < rows.size(); ++k) {
        const double f = rows[k][0];
        if (f < 30 || f > 20000) continue;
        const int i = static_cast<int>(std::lround(f * 16384 / 48000));
        ASSERT_DOUBLE_EQ(r->X()[i], f);
        const double expected = 4 * rows[k][1] * rows[k][2];
        const double ratio = r->A()[i] / expected;
        worst = std::max(worst, std::fabs(ratio - 1));
        EXPECT_NEAR(ratio, 1.0, 0.01) << f << " Hz";  // measured: within 0.032 %
        ++checked;
    }
    EXPECT_EQ(checked, 1704);  // every 4th point from 30 Hz to 20 kHz
    RecordProperty("worst_relative_error", std::to_string(worst));
}

// The simulated room through the simulated microphone: the measured
// response is the room's own transfer function times the level that reaches
// the recorder (the sweep's peak level, 32768 / 32767 from the 16-bit round
// trip), 4 from the transform scales and the 10 Hz high-pass.
TEST(MeasureResponse, GivesTheSimulatedRoomsResponse) {
    sim::Room room(3);
    sim::Microphone mic(room);
    // A loud sweep over quiet noise (69 dB apart), which this room's
    // position 1 takes without clipping.
    sim::MicKnobs knobs = mic.knobs();
    knobs.sweepPeakDbfs = -6;
    knobs.noiseDbfs = -75;
    mic.setKnobs(knobs);
    const double level = std::pow(10.0, knobs.sweepPeakDbfs / 20) * 32768.0 / 32767.0;
    const auto hp = DesignButterworthHighPass(48000, 10.0);
    for (int channel : {0, 3, 7}) {
        auto take = ToDoubles(mic.take(channel, 1));
        CSimpleChirpProc proc(take.data(), L, kTake, 16, 48000, nullptr, channel == 7);
        std::unique_ptr<CCurve> r = proc.MeasureResponse();
        ASSERT_TRUE(r) << channel;
        r->ToPolar();
        double worstDb = 0, worstDeepDb = 0;
        for (int i = 1; i < r->Count(); ++i) {
            const double f = r->X()[i];
            if (f < 20 || f > 20000) continue;
            const std::complex<double> z1 = std::polar(1.0, -2 * std::numbers::pi * f / 48000);
            const std::complex<double> hpz =
                (hp.b0 + hp.b1 * z1 + hp.b2 * z1 * z1) / (1.0 + hp.a1 * z1 + hp.a2 * z1 * z1);
            const double expected = 4 * level * std::abs(room.response(channel, 1, f) * hpz);
            // Within 20 dB of the path's gain to 0.1 dB (measured: 0.023 dB
            // at worst), 20 to 40 dB below it to 1 dB (0.22 dB); deeper (the
            // subwoofer's roll-off) the microphone's noise (-75 dBFS) takes
            // over.
            const double errorDb = std::fabs(20 * std::log10(r->A()[i] / expected));
            const double belowDb = 20 * std::log10(4 * level * room.path(channel, 1).gain / expected);
            if (belowDb < 20)
                worstDb = std::max(worstDb, errorDb);
            else if (belowDb < 40)
                worstDeepDb = std::max(worstDeepDb, errorDb);
        }
        EXPECT_EQ(mic.clippedSamples(), 0) << "channel " << channel;
        EXPECT_LT(worstDb, 0.1) << "channel " << channel;
        EXPECT_LT(worstDeepDb, 1.0) << "channel " << channel;
        RecordProperty("worst_db_channel_" + std::to_string(channel), std::to_string(worstDb));
        RecordProperty("worst_deep_db_channel_" + std::to_string(channel), std::to_string(worstDeepDb));
    }
}

TEST(MeasureResponse, ReturnsNothingForAnotherRateLengthOrCount) {
    std::vector<double> take(kTake, 0.0);
    for (auto [length, count, rate] : {std::tuple{L, kTake, 44100}, std::tuple{L, kTake - 1, 48000},
                                       std::tuple{L / 2, kTake, 48000}}) {
        CSimpleChirpProc proc(take.data(), length, count, 16, rate);
        std::unique_ptr<CCurve> r;
        EXPECT_NO_THROW(r = proc.MeasureResponse());
        EXPECT_FALSE(r);
        EXPECT_EQ(proc.ChirpLength(), length);
    }
}

TEST(MeasureResponse, HandsItsIntermediateCurvesToTheWriterInOrder) {
    sim::Room room(3);
    sim::Microphone mic(room);
    sim::MicKnobs k = mic.knobs();
    // A quiet window ending at 30000 makes the period start at 29760.
    k.quietWindowAt = 30000;
    mic.setKnobs(k);
    auto take = ToDoubles(mic.take(2, 0));
    RecordingWriter w;
    CSimpleChirpProc proc(take.data(), L, kTake, 16, 48000, &w);
    ASSERT_TRUE(proc.MeasureResponse());
    EXPECT_EQ(w.names, (std::vector<std::string>{"Chirp", "+Time_FFT_Resp_at_29760", "+Time_FFT_Resp_at_95296",
                                                 "Impluse 1 prerotate", "Impluse 2 prerotate",
                                                 "Impluse 1 postrotate", "Impluse 2 postrotate", "+NOISE"}));
    EXPECT_EQ(w.counts, (std::vector<int>{32769, L, L, L, L, L, L, 3 * L / 4}));
}

// The offset failures (0x05, 0x06) cannot be reached: the offset is the
// rotation taken modulo the period, in [0, 65536) (WindowRotation below).
TEST(MeasureResponse, FailsSilenceOnTheSignalToNoiseTest) {
    // A NaN ratio (0 / 0) must fail, not pass: 0x03, and the subwoofer's
    // 0x04 as a coded exception that a TException handler lets through.
    std::vector<double> silence(kTake, 0.0);
    {
        CSimpleChirpProc proc(silence.data(), L, kTake, 16, 48000);
        EXPECT_EQ(TExceptionText([&] { proc.MeasureResponse(); }),
                  "Error measurement was not able to acquire a proper response. (code 0x03)");
        EXPECT_EQ(proc.ChirpLength(), L);
    }
    {
        std::vector<double> again(kTake, 0.0);
        CSimpleChirpProc proc(again.data(), L, kTake, 16, 48000, nullptr, true);
        EXPECT_EQ(CodedText([&] { proc.MeasureResponse(); }),
                  "Error subwoofer measurement was not able to acquire a proper response. (code 0x04)" + kAdvice);
    }
    // A muted microphone (digital silence through the recorder) is the same.
    sim::Room room(1);
    sim::Microphone mic(room);
    sim::MicKnobs k = mic.knobs();
    k.mute = true;
    mic.setKnobs(k);
    auto take = ToDoubles(mic.take(0, 0));
    CSimpleChirpProc proc(take.data(), L, kTake, 16, 48000);
    EXPECT_EQ(TExceptionText([&] { proc.MeasureResponse(); }),
              "Error measurement was not able to acquire a proper response. (code 0x03)");
}

TEST(MeasureResponse, FailsNoiseDrownedTakes) {
    // Noise alone (no tone): the impulse is noise everywhere.
    sim::Room room(1);
    sim::Microphone mic(room);
    for (bool sub : {false, true}) {
        auto take = ToDoubles(mic.take(-1, 0));
        CSimpleChirpProc proc(take.data(), L, kTake, 16, 48000, nullptr, sub);
        if (sub)
            EXPECT_EQ(CodedText([&] { proc.MeasureResponse(); }),
                      "Error subwoofer measurement was not able to acquire a proper response. (code 0x04)" + kAdvice);
        else
            EXPECT_EQ(TExceptionText([&] { proc.MeasureResponse(); }),
                      "Error measurement was not able to acquire a proper response. (code 0x03)");
    }
}

TEST(MeasureResponse, FailsWhenTheTwoPeriodsDisagree) {
    // The second period at half the gain (6 dB apart): background noise,
    // 0x01, coded with the advice for the subwoofer.
    sim::Room room(2);
    sim::Microphone mic(room);
    sim::MicKnobs k = mic.knobs();
    k.secondPeriodGain = 0.5;
    k.startPhase = 0;  // the analysed periods then start near the take's own periods
    mic.setKnobs(k);
    {
        auto take = ToDoubles(mic.take(1, 0));
        CSimpleChirpProc proc(take.data(), L, kTake, 16, 48000);
        EXPECT_EQ(TExceptionText([&] { proc.MeasureResponse(); }),
                  "Error measurement procedure detected excessive background noise. (code 0x01)");
        EXPECT_EQ(proc.ChirpLength(), 16384);
    }
    {
        auto take = ToDoubles(mic.take(7, 0));
        CSimpleChirpProc proc(take.data(), L, kTake, 16, 48000, nullptr, true);
        EXPECT_EQ(CodedText([&] { proc.MeasureResponse(); }),
                  "Error measurement procedure detected excessive background noise. (code 0x01)" + kAdvice);
    }
}

// Background-noise test on hand-made dB curves: a flat 0 dB pair with one
// point changed.
class BackgroundNoise : public ::testing::Test {
protected:
    static std::unique_ptr<CCurve> Flat(int n = 1001) {
        auto c = std::make_unique<CCurve>(n, CIndexVector::Frequency, CComplexVector::Decibel);
        for (int i = 0; i < n; ++i) {
            c->X()[i] = 24.0 * i;
            c->A()[i] = 0.0;
            c->B()[i] = 0.0;
        }
        return c;
    }
    bool Check(double levelA, double levelB, double hz, bool sub = false) {
        auto a = Flat();
        auto b = Flat();
        const int i = static_cast<int>(hz / 24);
        a->A()[i] = levelA;
        b->A()[i] = levelB;
        CSimpleChirpProc proc(nullptr, L, kTake, 16, 48000, nullptr, sub);
        return proc.CheckBackgroundNoise(*a, *b);
    }
};

TEST_F(BackgroundNoise, IgnoresOnlyPointsFarBelowThePeakInBoth) {
    EXPECT_TRUE(Check(0, 0, 960));
    EXPECT_TRUE(Check(0, 2.9, 960));
    EXPECT_TRUE(Check(-25, -25, 960));
    EXPECT_TRUE(Check(-25, -60, 960));   // both more than 20 dB down: however much they differ
    EXPECT_FALSE(Check(-25, -15, 960));  // B only 15 dB down, 10 dB apart
    EXPECT_FALSE(Check(-10, -13.5, 960));
    EXPECT_TRUE(Check(-10, -12.9, 960));
    EXPECT_FALSE(Check(0, std::nan(""), 960));  // a NaN level fails
    EXPECT_TRUE(Check(0, 10, 20400));            // outside 80 .. 20000 Hz
    EXPECT_TRUE(Check(0, 10, 48));
}

TEST_F(BackgroundNoise, ComparesOnly20To350HzForTheSubwoofer) {
    EXPECT_TRUE(Check(0, 10, 960, true));
    EXPECT_FALSE(Check(0, 10, 96, true));
    EXPECT_FALSE(Check(0, 10, 24, true));
    EXPECT_TRUE(Check(0, 10, 360, true));
}

TEST_F(BackgroundNoise, FailsCurvesOnDifferentAxes) {
    CSimpleChirpProc proc(nullptr, L, kTake, 16, 48000);
    auto a = Flat(), b = Flat(1000);
    EXPECT_FALSE(proc.CheckBackgroundNoise(*a, *b));
    auto c = Flat(), d = Flat();
    d->X()[100] += 1;
    EXPECT_FALSE(proc.CheckBackgroundNoise(*c, *d));
    auto e = Flat(), f = Flat();
    EXPECT_TRUE(proc.CheckBackgroundNoise(*e, *f));
    EXPECT_EQ(e->Form(), CComplexVector::Decibel);
}

TEST(WindowRotation, FindsTheQuietestWindowModuloTheLength) {
    // A quiet window ending at k gives (k - 240) mod n, also when it ends
    // before sample 240 and wraps round (floor modulo, never negative).
    const int n = 4096;
    for (int k : {1000, 240, 100, 0}) {
        std::vector<double> x(n);
        for (int i = 0; i < n; ++i) x[i] = std::sin(0.37 * i) + 0.5;
        for (int j = k - 239; j <= k; ++j) x[static_cast<std::size_t>((j + n) % n)] = 0.5 + 1e-9 * j;
        auto copy = x;
        const int s = halvane::signal::AudioSampler::RotateToQuietestWindow(copy.data(), n, 240);
        EXPECT_EQ(s, ((k - 240) % n + n) % n) << k;
        EXPECT_EQ(copy[0], x[static_cast<std::size_t>(s)]);
        EXPECT_EQ(copy[n - 1], x[static_cast<std::size_t>((s + n - 1) % n)]);
    }
    // Equal energies everywhere: the first window wins.
    std::vector<double> flat(n, 0.25), im(n, 1.0);
    EXPECT_EQ(halvane::signal::AudioSampler::RotateToQuietestWindow(flat.data(), n, 240, im.data()), n - 240);
    EXPECT_EQ(halvane::signal::AudioSampler::RotateToLoudestWindow(flat.data(), n, 240), n - 240);
}

TEST(WindowRotation, PutsThePrerollBeforeTheLoudestWindow) {
    const int n = 8192;
    std::vector<double> x(n, 0.0), im(n);
    for (int i = 0; i < n; ++i) im[i] = i;
    x[5000] = 1.0;  // every window ending at 5000 .. 5239 holds it; the first wins
    auto y = x;
    EXPECT_EQ(halvane::signal::AudioSampler::RotateToLoudestWindow(y.data(), n, 240), 5000 - 240);
    EXPECT_EQ(y[240], 1.0);
    auto z = x;
    EXPECT_EQ(halvane::signal::AudioSampler::RotateWithPreroll(z.data(), n, 240, 3360, im.data()), 5000 - 240 - 3360);
    EXPECT_EQ(z[3600], 1.0);
    EXPECT_EQ(im[0], 5000 - 240 - 3360);
    auto w = x;
    EXPECT_EQ(halvane::signal::AudioSampler::RotateWithPreroll(w.data(), n, 240, 6000), 5000 - 240 - 6000 + n);
}

TEST(QuickResponse, GivesTheRoomResponseFromTwoPeriods) {
    sim::Room room(4);
    sim::Microphone mic(room);
    sim::MicKnobs k = mic.knobs();
    k.takeFrames = 2 * L;
    mic.setKnobs(k);
    auto take = ToDoubles(mic.take(0, 2));
    RecordingWriter w;
    CSimpleChirpProc proc(take.data(), L, 2 * L, 16, 48000, &w);
    std::unique_ptr<CCurve> r = proc.QuickResponse();
    ASSERT_TRUE(r);
    EXPECT_EQ(proc.ChirpLength(), 16384);
    ASSERT_EQ(r->Count(), 8193);
    ASSERT_GE(w.names.size(), 5u);
    EXPECT_EQ(w.names.front(), "Double Buf");
    EXPECT_EQ(w.counts.front(), 2 * L);
    EXPECT_EQ(w.names.back(), "Retained Impulse");
    EXPECT_EQ(w.counts.back(), 16384);

    const double level = std::pow(10.0, k.sweepPeakDbfs / 20) * 32768.0 / 32767.0;
    r->ToPolar();
    double worstDb = 0;
    for (int i = 1; i < r->Count(); ++i) {
        const double f = r->X()[i];
        if (f < 100 || f > 20000) continue;
        const double expected = 4 * level * std::abs(room.response(0, 2, f));
        if (expected < 0.1 * 4 * level * room.path(0, 2).gain) continue;
        worstDb = std::max(worstDb, std::fabs(20 * std::log10(r->A()[i] / expected)));
    }
    EXPECT_LT(worstDb, 0.5);
}

TEST(QuickResponse, ChecksItsInputBeforeReadingIt) {
    std::vector<double> take(2 * L, 0.0);
    for (auto [length, count, rate] :
         {std::tuple{L, 2 * L, 44100}, std::tuple{L, 2 * L - 1, 48000}, std::tuple{32, 64, 48000}}) {
        CSimpleChirpProc proc(take.data(), length, count, 16, rate);
        std::unique_ptr<CCurve> r;
        EXPECT_NO_THROW(r = proc.QuickResponse());
        EXPECT_FALSE(r);
    }
    // A sweep length that is no power of two cannot give an impulse of its
    // own length: 0x02.
    std::vector<double> odd(120000);
    for (std::size_t i = 0; i < odd.size(); ++i) odd[i] = std::sin(0.001 * i * i / 120000.0);
    CSimpleChirpProc proc(odd.data(), 60000, 120000, 16, 48000);
    EXPECT_EQ(TExceptionText([&] { proc.QuickResponse(); }), "Error wrong impulse length. (code 0x02)");
}

}  // namespace
