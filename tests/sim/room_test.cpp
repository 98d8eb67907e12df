#include "sim/Microphone.h"
#include "sim/Room.h"
#include "sim/SimFft.h"
#include "sim/SweepSignal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>

using namespace sim;
using cd = std::complex<double>;

TEST(SimFft, MatchesADirectTransformAndInvertsExactly) {
    std::vector<cd> a(64);
    for (std::size_t i = 0; i < a.size(); ++i) a[i] = cd(std::sin(0.3 * i) + 0.1 * i, std::cos(1.7 * i));
    auto f = a;
    SimFft(f, false);
    for (std::size_t k = 0; k < a.size(); ++k) {
        cd direct = 0;
        for (std::size_t n = 0; n < a.size(); ++n)
            direct += a[n] * std::polar(1.0, -2 * std::numbers::pi * double(k * n) / double(a.size()));
        EXPECT_NEAR(std::abs(f[k] - direct), 0.0, 1e-9) << k;
    }
    SimFft(f, true);
    for (std::size_t i = 0; i < a.size(); ++i) EXPECT_NEAR(std::abs(f[i] - a[i]), 0.0, 1e-12);
    std::vector<cd> odd(12);
    EXPECT_THROW(SimFft(odd, false), std::invalid_argument);
}

TEST(SweepPeriod, IsTheProcessorsExponentialSweep) {
    // Reference values from numpy:
    //   N=65536; R=48000; f1=17*R/N; f2=31569*R/N; K=log(f2/f1)/(N/R); t=arange(N)/R
    //   x = sin(2*pi*f1*(exp(K*t)-1)/K); x[[1,1000,30000,65535]]
    const auto x = SweepPeriod();
    ASSERT_EQ(x.size(), 65536u);
    EXPECT_EQ(x[0], 0.0);
    EXPECT_NEAR(x[1], 0.0016299474622457513, 1e-12);
    EXPECT_NEAR(x[1000], 0.9878038027025391, 1e-12);
    EXPECT_NEAR(x[30000], -0.4051412690913248, 1e-10);
    EXPECT_NEAR(x[65535], -0.11485807793378826, 1e-9);
}

TEST(Room, ImpulseResponseAndTransferFunctionAgree) {
    Room room(3);
    const int n = 65536;
    for (int channel : {0, 2, 7}) {
        const auto h = room.impulseResponse(channel, 1, n);
        std::vector<cd> H(h.begin(), h.end());
        SimFft(H, false);
        for (int bin : {20, 100, 700, 3000, 20000}) {
            const double hz = bin * 48000.0 / n;
            const cd expected = room.response(channel, 1, hz);
            EXPECT_NEAR(std::abs(H[bin] - expected), 0.0, 1e-3 * std::max(1.0, std::abs(expected)))
                << "channel " << channel << " at " << hz << " Hz";
        }
    }
}

TEST(Room, PathsDifferByChannelAndPositionButNotByRun) {
    Room a(5), b(5);
    EXPECT_EQ(a.path(2, 3).delaySamples, b.path(2, 3).delaySamples);
    EXPECT_NE(a.path(2, 3).delaySamples, a.path(2, 4).delaySamples);
    EXPECT_GT(a.path(7, 0).lowPassHz, 0);  // the subwoofer rolls off above
    EXPECT_EQ(a.path(0, 0).lowPassHz, 0);

    SpeakerPath plain;
    plain.delaySamples = 100;
    plain.highPassHz = 0;
    a.setPath(1, 0, plain);
    const auto h = a.impulseResponse(1, 0, 1024);
    EXPECT_EQ(h[100], 1.0);  // a bare delay
    EXPECT_EQ(h[99], 0.0);
    EXPECT_NEAR(std::abs(a.response(1, 0, 1000)), 1.0, 1e-12);
}

namespace {
// No noise, and the sweep loud (-6 dBFS) so the 16-bit rounding stays far
// below it; the rooms and channels these tests hear do not clip at it.
MicKnobs quiet() {
    MicKnobs k;
    k.noiseDbfs = -300;
    k.sweepPeakDbfs = -6;
    return k;
}
}  // namespace

TEST(Microphone, TakeIsThreePeriodsOfTheSweepThroughTheRoom) {
    Room room(2);
    Microphone mic(room);
    mic.setKnobs(quiet());
    const auto take = mic.take(2, 0);
    ASSERT_EQ(take.size(), 2u * 196608);
    for (int f : {0, 1234, 40000}) {
        EXPECT_EQ(take[2 * f], take[2 * (f + 65536)]);  // periodic
        EXPECT_EQ(take[2 * f + 1], 0);                  // right channel silent
    }
    // Deconvolving one period by the sweep gives the room's response (the
    // level is -6 dBFS, and the rounding to 16 bits stays far below it).
    const int L = 65536;
    const int start = 70000;
    std::vector<cd> Y(L), X(L);
    const auto sweep = SweepPeriod();
    const int phase = quiet().startPhase;
    for (int i = 0; i < L; ++i) {
        Y[i] = take[2 * (start + i)] / 32768.0;
        X[i] = sweep[(start + i + phase) % L];
    }
    SimFft(Y, false);
    SimFft(X, false);
    const double level = std::pow(10.0, -6.0 / 20);
    for (int bin : {100, 1000, 10000}) {
        const cd measured = Y[bin] / X[bin] / level;
        const cd expected = room.response(2, 0, bin * 48000.0 / L);
        EXPECT_NEAR(std::abs(measured) / std::abs(expected), 1.0, 0.01) << bin;
    }
}

TEST(Microphone, KnobsShapeTheTake) {
    Room room(2);
    Microphone mic(room);
    MicKnobs k = quiet();
    k.takeFrames = 1000;
    mic.setKnobs(k);
    EXPECT_EQ(mic.take(0, 0).size(), 2000u);

    k = quiet();
    k.quietWindowAt = 5000;
    k.secondPeriodGain = 0.5;
    mic.setKnobs(k);
    const auto t = mic.take(0, 0);
    for (int f = 4761; f <= 5000; ++f) EXPECT_EQ(t[2 * f], 0);
    mic.setKnobs(quiet());
    const auto plain = mic.take(0, 0);
    EXPECT_NE(plain[2 * 5000], 0);
    for (int f : {70000, 100000})
        EXPECT_NEAR(t[2 * f], std::round(plain[2 * f] * 0.5), 1.0);

    // No tone: only the background noise, at its level.
    k = MicKnobs{};
    k.noiseDbfs = -60;
    mic.setKnobs(k);
    const auto noise = mic.take(-1, 0);
    double sum = 0;
    for (std::size_t i = 0; i < noise.size(); i += 2) sum += double(noise[i]) * noise[i];
    const double rmsDb = 20 * std::log10(std::sqrt(sum / (noise.size() / 2)) / 32768.0);
    EXPECT_NEAR(rmsDb, -60, 0.5);
    EXPECT_EQ(mic.take(-1, 0), noise);  // the same take every time
}

TEST(Microphone, HearsTheChannelTheProcessorPlaysAndStreamsContinuously) {
    Room room(4);
    Microphone mic(room);
    mic.setKnobs(quiet());
    int playing = 8;
    mic.setToneSource([&] { return playing; });
    std::vector<std::int16_t> a(2 * 4096), b(2 * 4096);
    mic.render(0, a.data(), 4096);
    for (auto s : a) EXPECT_EQ(s, 0);  // tone off: silence (no noise here)
    playing = 5;
    mic.render(65536 * 3 + 100, a.data(), 4096);
    const auto take = mic.take(5, 0);
    for (int f = 0; f < 4096; ++f) EXPECT_EQ(a[2 * f], take[2 * (100 + f)]);
    mic.render(100, b.data(), 4096);
    EXPECT_EQ(a, b);
}
