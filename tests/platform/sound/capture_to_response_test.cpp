// From the room to the response: the processor plays its sweep on channel 2,
// the simulated microphone hears it through the simulated room, the one-take
// recorder records it through the simulated sound input, and the chirp
// processing turns the take into channel 2's response in that room.
#include "halvane/signal/AudioSamplerWave.h"
#include "halvane/signal/ButterworthFilter.h"
#include "halvane/signal/CSimpleChirpProc.h"
#include "platform/Event.h"
#include "platform/ScaledClock.h"
#include "platform/SimSoundSystem.h"
#include "sim/Microphone.h"
#include "sim/MicrophoneSource.h"
#include "sim/Room.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <complex>
#include <numbers>

using namespace halvane::signal;

using namespace platform;

TEST(CaptureToResponse, ChannelTwosToneComesOutAsChannelTwosRoomResponse) {
    sim::Room room(11);
    sim::Microphone mic(room);
    // A loud sweep over quiet noise (69 dB apart), which this position
    // takes without clipping.
    sim::MicKnobs knobs = mic.knobs();
    knobs.sweepPeakDbfs = -6;
    knobs.noiseDbfs = -75;
    mic.setKnobs(knobs);
    mic.setPosition(3);
    std::atomic<int> playing{8};  // tone off until the "processor" starts it
    mic.setToneSource([&] { return playing.load(); });

    // The room's steady state is computed on first use; do it now, not while
    // the recorder's time limit runs.
    (void)mic.periodThroughRoom(2, 3);
    mic.take(2, 3);
    ScaledClock clock(20.0);
    SimSoundSystem sys(clock);
    SimInputDevice dev;
    dev.name = "Microphone (USB Tessik QEX-1)";
    dev.source = std::make_shared<sim::MicrophoneSource>(mic);
    dev.mixer = std::make_shared<SimInputMixer>(SimInputMixer::typical(dev.name));
    sys.addDevice(dev);

    Event signal(Event::Reset::Auto);
    halvane::signal::AudioSampler::Wave wave(sys, clock);
    ASSERT_TRUE(wave.FindMicrophone(&signal));
    ASSERT_TRUE(wave.Open());
    playing = 2;
    ASSERT_TRUE(wave.Start());
    ASSERT_TRUE(wave.WaitForData(&signal));
    std::vector<double> take;
    double largest = 0, smallest = 0;
    ASSERT_TRUE(wave.StopAndReport(take, largest, smallest));
    ASSERT_EQ(take.size(), 196608u);

    halvane::signal::AudioSampler::CSimpleChirpProc proc(take.data(), 65536, static_cast<int>(take.size()), 16, 48000);
    auto r = proc.MeasureResponse();
    ASSERT_TRUE(r);
    r->ToPolar();

    // The expected magnitude: 4 from the transform scales, the sweep's level
    // (-6 dBFS, and 32768 / 32767 from the recorder's scale), the room's
    // path for channel 2 at position 3, and the processing's 10 Hz high-pass.
    const double level = std::pow(10.0, mic.knobs().sweepPeakDbfs / 20) * 32768.0 / 32767.0;
    const auto hp = DesignButterworthHighPass(48000, 10.0);
    const double pathGain = room.path(2, 3).gain;
    double worstDb = 0;
    int checked = 0;
    for (int i = 1; i < r->Count(); ++i) {
        const double f = r->X()[i];
        if (f < 30 || f > 18000) continue;
        const std::complex<double> z1 = std::polar(1.0, -2 * std::numbers::pi * f / 48000);
        const std::complex<double> hpz = (hp.b0 + hp.b1 * z1 + hp.b2 * z1 * z1) / (1.0 + hp.a1 * z1 + hp.a2 * z1 * z1);
        const double expected = 4 * level * std::abs(room.response(2, 3, f) * hpz);
        if (20 * std::log10(4 * level * pathGain / expected) > 20) continue;  // noise-dominated dips
        worstDb = std::max(worstDb, std::fabs(20 * std::log10(r->A()[i] / expected)));
        ++checked;
    }
    EXPECT_EQ(mic.clippedSamples(), 0);
    EXPECT_GT(checked, 5000);
    EXPECT_LT(worstDb, 0.1);  // the tolerance the chirp processing's own test holds
    // Another channel's path would not fit: channel 2's response is not channel 0's.
    EXPECT_GT(std::fabs(20 * std::log10(std::abs(room.response(0, 3, 100.0)) / std::abs(room.response(2, 3, 100.0)))),
              0.5);
}
