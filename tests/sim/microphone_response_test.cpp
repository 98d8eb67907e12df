// The simulated measurement microphones: the response a named microphone
// carries, and the levels at which no generated room clips.
#include "sim/Microphone.h"
#include "sim/MicrophoneResponse.h"
#include "sim/MicrophoneScale.h"
#include "sim/Room.h"
#include "sim/SimFft.h"
#include "sim/SweepSignal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>

using namespace sim;
using cd = std::complex<double>;

TEST(MicrophoneResponse, NamedMicrophonesAndTheirLevelsAndResponses) {
    EXPECT_EQ(MicrophoneModelForDevice("Microphone (USB Tessik QEX-1)"), MicrophoneModel::TessikQex1);
    EXPECT_EQ(MicrophoneModelForDevice("Front Fenwarde JOM-1"), MicrophoneModel::FenwardeJom1);
    EXPECT_EQ(MicrophoneModelForDevice("Line In"), MicrophoneModel::TessikQex1);
    const MicKnobs qex = CalibratedKnobs("USB Tessik QEX-1");
    EXPECT_EQ(qex.model, MicrophoneModel::TessikQex1);
    EXPECT_DOUBLE_EQ(qex.sweepPeakDbfs, 85.0 - 120.0);
    const MicKnobs jom = CalibratedKnobs("Fenwarde JOM-1");
    EXPECT_EQ(jom.model, MicrophoneModel::FenwardeJom1);
    EXPECT_DOUBLE_EQ(jom.noiseDbfs, 30.0 - 118.0);
    // An unnamed microphone is the ideal one, at the program's own
    // microphone's levels.
    EXPECT_EQ(MicKnobs{}.model, MicrophoneModel::Ideal);
    EXPECT_DOUBLE_EQ(MicKnobs{}.sweepPeakDbfs, qex.sweepPeakDbfs);
    EXPECT_DOUBLE_EQ(MicKnobs{}.noiseDbfs, qex.noiseDbfs);

    // The makers' points (as the program's correction tables give them at
    // rows 0, 25, 150 and 280), linear in log frequency between them and
    // held beyond the ends.
    EXPECT_DOUBLE_EQ(MicrophoneResponseDb(MicrophoneModel::TessikQex1, 10.0), -9.062513);
    EXPECT_DOUBLE_EQ(MicrophoneResponseDb(MicrophoneModel::TessikQex1, 20.0), -6.091462);
    EXPECT_NEAR(MicrophoneResponseDb(MicrophoneModel::TessikQex1, 640.0), 0.903959, 1e-9);
    EXPECT_DOUBLE_EQ(MicrophoneResponseDb(MicrophoneModel::FenwardeJom1, 30000.0), 16.922039);
    EXPECT_DOUBLE_EQ(MicrophoneResponseDb(MicrophoneModel::FenwardeJom1, 2.0), 0.537129);
    const double mid = MicrophoneResponseDb(MicrophoneModel::TessikQex1, 20.0 * std::pow(2.0, 0.5 / 25));
    EXPECT_NEAR(mid, 0.5 * (-6.091462 + MicrophoneResponseDb(MicrophoneModel::TessikQex1, 20.0 * std::pow(2.0, 1.0 / 25))),
                1e-12);
    EXPECT_EQ(MicrophoneResponseDb(MicrophoneModel::Ideal, 1000.0), 0.0);
}

// The response on a period's bins has the maker's level and a minimum
// phase: its impulse response is causal (nothing before the sound
// arrives) and short, so the chirp processing's window keeps all of it.
TEST(MicrophoneResponse, BinsHaveTheLevelAndAShortCausalImpulse) {
    const int n = 65536;
    for (MicrophoneModel model : {MicrophoneModel::TessikQex1, MicrophoneModel::FenwardeJom1}) {
        auto bins = MicrophoneResponseBins(model, n, 48000);
        ASSERT_EQ(bins.size(), static_cast<std::size_t>(n));
        double worst = 0;
        for (int k = 1; k <= n / 2; k += 7)
            worst = std::max(worst, std::fabs(20 * std::log10(std::abs(bins[static_cast<std::size_t>(k)])) -
                                              MicrophoneResponseDb(model, k * 48000.0 / n)));
        EXPECT_LT(worst, 1e-6);
        SimFft(bins, true);
        double total = 0, late = 0, negative = 0, imaginary = 0;
        for (int i = 0; i < n; ++i) {
            const double e = std::norm(bins[static_cast<std::size_t>(i)]);
            total += e;
            if (i >= 2400 && i < n / 2) late += e;  // after 50 ms
            if (i >= n / 2) negative += e;         // before 0, circularly
            imaginary = std::max(imaginary, std::fabs(bins[static_cast<std::size_t>(i)].imag()));
        }
        EXPECT_LT(negative / total, 1e-9);
        EXPECT_LT(late / total, 1e-6);
        EXPECT_LT(imaginary, 1e-9);  // a real filter
    }
    for (const cd& b : MicrophoneResponseBins(MicrophoneModel::Ideal, 64, 48000)) EXPECT_EQ(b, cd(1.0));
}

// A named microphone colours the take by its response: a flat room heard
// through it, deconvolved by the sweep, shows the maker's level.
TEST(MicrophoneResponse, TheTakeCarriesTheMicrophonesResponse) {
    Room room(1);
    SpeakerPath flat;
    flat.delaySamples = 100;
    flat.highPassHz = 0;
    room.setPath(0, 0, flat);
    Microphone mic(room);
    MicKnobs k = CalibratedKnobs("Tessik QEX-1");
    k.noiseDbfs = -300;
    k.sweepPeakDbfs = -12;  // well above the 16-bit rounding
    mic.setKnobs(k);
    const auto take = mic.take(0, 0);
    const int L = 65536;
    std::vector<cd> Y(L), X(L);
    const auto sweep = SweepPeriod();
    for (int i = 0; i < L; ++i) {
        Y[static_cast<std::size_t>(i)] = take[2 * static_cast<std::size_t>(70000 + i)] / 32768.0;
        X[static_cast<std::size_t>(i)] = sweep[static_cast<std::size_t>((70000 + i + k.startPhase) % L)];
    }
    SimFft(Y, false);
    SimFft(X, false);
    for (int bin : {28, 100, 1000, 10000, 21000}) {
        const double hz = bin * 48000.0 / L;
        const double db = 20 * std::log10(std::abs(Y[static_cast<std::size_t>(bin)] / X[static_cast<std::size_t>(bin)])) - k.sweepPeakDbfs;
        EXPECT_NEAR(db, MicrophoneResponseDb(MicrophoneModel::TessikQex1, hz), 0.05) << hz << " Hz";
    }
}

// A take that does not fit 16 bits is counted. At the default levels and
// at the named microphones' levels, the generated rooms leave at least
// 10 dB of headroom (the sweep lies at -33 to -35 dBFS; the loudest mode,
// reflections and microphone peak together lift it by less than 23 dB), so
// none of them clips. The bound for many rooms is the largest |room x
// microphone| over frequency (a sweep's peak stays below it); room 3,
// which clips at the old default of -6 dBFS, is checked sample by sample.
TEST(MicrophoneLevels, ClippingIsCountedAndNoGeneratedRoomClips) {
    Room room(3);
    Microphone mic(room);
    MicKnobs loud;
    loud.sweepPeakDbfs = -6;
    mic.setKnobs(loud);
    EXPECT_EQ(mic.clippedSamples(), 0);
    (void)mic.take(3, 0);
    const std::int64_t clipped = mic.clippedSamples();
    EXPECT_GT(clipped, 0);
    mic.setToneSource([] { return 3; });
    std::vector<std::int16_t> stream(2 * 70000);
    mic.render(0, stream.data(), 70000);
    EXPECT_GT(mic.clippedSamples(), clipped);
    mic.resetClippedSamples();
    EXPECT_EQ(mic.clippedSamples(), 0);

    // Room 3 through the program's own microphone at its levels (the
    // positions where it clips at -6 dBFS).
    mic.setKnobs(CalibratedKnobs("Tessik QEX-1"));
    double loudestTake = -1e9;
    for (int ch = 0; ch < 8; ++ch)
        for (int p : {0, 4}) {
            double peak = 0;
            for (double v : mic.periodThroughRoom(ch, p)) peak = std::max(peak, std::fabs(v));
            loudestTake = std::max(loudestTake, 20 * std::log10(peak) + mic.knobs().sweepPeakDbfs);
        }
    EXPECT_LT(loudestTake, -10.0);
    RecordProperty("room_3_loudest_dbfs", std::to_string(loudestTake));

    // An upper bound for rooms 1-12: the path's sections (smooth, so a
    // 1/24-octave grid finds their peak within 0.1 dB) times its arrivals all in phase.
    double loudest = -1e9;
    for (const char* name : {"Tessik QEX-1", "Fenwarde JOM-1", ""}) {
        const MicKnobs k = *name ? CalibratedKnobs(name) : MicKnobs{};
        for (std::uint32_t seed = 1; seed <= 12; ++seed) {
            const Room r(seed);
            for (int ch = 0; ch < 8; ++ch)
                for (int p = 0; p < 5; ++p) {
                    SpeakerPath sections = r.path(ch, p);
                    double arrivals = 1;
                    for (const Reflection& reflection : sections.reflections) arrivals += std::fabs(reflection.gain);
                    sections.reflections.clear();
                    Room one(seed);
                    one.setPath(ch, p, sections);
                    for (double hz = 10; hz < 24000; hz *= std::pow(2.0, 1.0 / 24)) {
                        const double db = 20 * std::log10(std::abs(one.response(ch, p, hz)) * arrivals) +
                                          MicrophoneResponseDb(k.model, hz) + k.sweepPeakDbfs;
                        loudest = std::max(loudest, db);
                    }
                }
        }
    }
    EXPECT_LT(loudest, -10.0);
    EXPECT_GT(loudest, loudestTake);  // the bound holds room 3's takes
    RecordProperty("loudest_bound_dbfs", std::to_string(loudest));
}
