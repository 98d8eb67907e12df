// The one-take recorder over the simulated sound system: device choice,
// the plain-PCM retry, mixer set-up, the take itself, an incomplete take
// and an abort in the middle of one.
#include "sound_test_support.h"

#include "halvane/signal/AcceptedMicrophones.h"
#include "halvane/signal/AudioSamplerWave.h"
#include "halvane/signal/CInputMixer.h"
#include "platform/Event.h"
#include "platform/ScaledClock.h"
#include "platform/SimSoundSystem.h"
#include "platform/VirtualClock.h"
#include "sim/Microphone.h"
#include "sim/MicrophoneSource.h"
#include "sim/Room.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

using namespace halvane::signal;

using namespace platform;
using halvane::signal::AudioSampler::Wave;

namespace {

std::shared_ptr<SimInputMixer> typicalMixer(const std::string& name) {
    return std::make_shared<SimInputMixer>(SimInputMixer::typical(name));
}

SimInputDevice microphone(std::shared_ptr<SampleSource> source = nullptr) {
    SimInputDevice d;
    d.name = "USB Tessik QEX-1";
    d.source = std::move(source);
    d.mixer = typicalMixer(d.name);
    return d;
}

}  // namespace

TEST(MicrophoneRecorder, PicksTheLowestAcceptedDeviceByCaseSensitiveName) {
    EXPECT_TRUE(halvane::signal::AudioSampler::IsAcceptedMicrophone("USB Tessik QEX-1"));
    EXPECT_TRUE(halvane::signal::AudioSampler::IsAcceptedMicrophone("JOM-1 Fenwarde (2)"));
    EXPECT_FALSE(halvane::signal::AudioSampler::IsAcceptedMicrophone("usb tessik qex-1"));
    EXPECT_FALSE(halvane::signal::AudioSampler::IsAcceptedMicrophone("Tessik QEX"));

    SimSoundSystem sys;
    sys.addDevice({.name = "Line In"});
    sys.addDevice({.name = "tessik qex-1 copy"});
    sys.addDevice({.name = "Front Fenwarde JOM-1"});
    sys.addDevice({.name = "USB Tessik QEX-1"});
    Event signal(Event::Reset::Auto);
    Wave w(sys);
    ASSERT_TRUE(w.FindMicrophone(&signal));
    EXPECT_EQ(w.DeviceIndex(), 2u);
    EXPECT_EQ(w.DeviceName(), "Front Fenwarde JOM-1");

    SimSoundSystem none;
    none.addDevice({.name = "Line In"});
    none.addDevice({.name = "tessik qex-1"});
    Wave w2(none);
    EXPECT_FALSE(w2.FindMicrophone(&signal));
    EXPECT_EQ(w2.DeviceIndex(), 0u);
    EXPECT_EQ(w2.DeviceName(), "");
}

TEST(MicrophoneRecorder, RetriesAsPlainPcmAndSetsUpTheMixer) {
    SimSoundSystem sys;
    SimInputDevice dev = microphone();
    dev.acceptsExtensible = false;
    auto mixer = dev.mixer;
    const unsigned id = sys.addDevice(dev);
    Event signal(Event::Reset::Auto);
    Wave w(sys);
    ASSERT_TRUE(w.FindMicrophone(&signal));
    ASSERT_TRUE(w.Open());
    EXPECT_EQ(w.LastOpenResult(), mmresult::NoError);

    const auto log = sys.openLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].format.formatTag, WaveFormat::TagExtensible);
    EXPECT_EQ(log[0].format.extraSize, 22);
    EXPECT_EQ(log[0].format.channels, 2);
    EXPECT_EQ(log[0].format.avgBytesPerSec, 192000u);
    EXPECT_EQ(log[0].format.blockAlign, 4);
    EXPECT_EQ(log[0].format.channelMask, 3u);
    EXPECT_EQ(log[0].format.subFormat, WaveFormat::SubFormatPcm);
    EXPECT_EQ(log[0].flags, SoundSystem::CallbackFunction | SoundSystem::FormatDirect);
    EXPECT_EQ(log[1].format.formatTag, WaveFormat::TagPcm);
    EXPECT_EQ(log[1].format.extraSize, 0);
    EXPECT_EQ(w.Format().formatTag, WaveFormat::TagExtensible);  // restored after the retry
    EXPECT_EQ(w.Format().extraSize, 22);

    // Level 0xFFFF on both microphone channels, AGC on, Mute off; the
    // "Volume" fader is no boolean and is left alone.
    EXPECT_EQ(mixer->valuesOf(10), (std::vector<std::uint32_t>{0xFFFF, 0xFFFF}));
    EXPECT_EQ(mixer->lastValue("AGC"), 1);
    EXPECT_EQ(mixer->lastValue("Mute"), 0);
    EXPECT_EQ(mixer->setLog().size(), 3u);
    EXPECT_EQ(mixer->openHandles(), 1);  // the recorder's own; the source search closed its one

    w.SetLevel(16384);
    EXPECT_EQ(mixer->valuesOf(10), (std::vector<std::uint32_t>{16384, 16384}));
    w.Close();
    EXPECT_EQ(mixer->openHandles(), 0);
    EXPECT_EQ(sys.openCount(id), 0);
}

TEST(MicrophoneRecorder, AFailedOpenLeavesTheInputClosedSoARetryCanOpenIt) {
    Event signal(Event::Reset::Auto);
    // Reopening closes the earlier input first: the device is never found
    // busy with the recorder's own handle.
    SimSoundSystem bareSys;
    SimInputDevice bare = microphone();
    bare.mixer = nullptr;
    bareSys.addDevice(bare);
    Wave w2(bareSys);
    ASSERT_TRUE(w2.FindMicrophone(&signal));
    w2.SetUseMixer(false);
    EXPECT_TRUE(w2.Open());
    EXPECT_EQ(bareSys.openCount(0), 1);
    EXPECT_TRUE(w2.Open());
    EXPECT_EQ(bareSys.openCount(0), 1);

    // A device that refuses every open reports its code.
    SimSoundSystem busySys;
    SimInputDevice busy = microphone();
    busy.openResult = mmresult::Allocated;
    busySys.addDevice(busy);
    Wave w3(busySys);
    ASSERT_TRUE(w3.FindMicrophone(&signal));
    EXPECT_FALSE(w3.Open());
    EXPECT_EQ(w3.LastOpenResult(), mmresult::Allocated);
    EXPECT_EQ(busySys.openLog().size(), 2u);  // extensible, then plain PCM
    EXPECT_FALSE(w3.Start());
}

TEST(MicrophoneRecorder, WithoutAVolumeControlItRecordsAtTheDeviceLevel) {
    // A mixer without a volume control: its switches are still set, no
    // level is, and the take records.
    SimSoundSystem sys;
    SimInputDevice dev = microphone();
    dev.mixer->controls[1].erase(dev.mixer->controls[1].begin());  // no volume control
    const unsigned id = sys.addDevice(dev);
    Event signal(Event::Reset::Auto);
    Wave w(sys);
    ASSERT_TRUE(w.FindMicrophone(&signal));
    ASSERT_TRUE(w.Open());
    EXPECT_FALSE(w.HasVolumeControl());
    EXPECT_EQ(dev.mixer->lastValue("AGC"), 1);
    EXPECT_EQ(dev.mixer->lastValue("Mute"), 0);
    const auto set = dev.mixer->setLog().size();
    w.SetLevel(16384);
    EXPECT_EQ(dev.mixer->setLog().size(), set);
    w.SetWaitTimes(5000, 10);
    ASSERT_TRUE(w.Start());
    EXPECT_TRUE(w.WaitForData(&signal));
    std::vector<double> take;
    double largest = 0, smallest = 0;
    EXPECT_TRUE(w.StopAndReport(take, largest, smallest));
    EXPECT_EQ(take.size(), 196608u);
    w.Close();
    EXPECT_EQ(sys.openCount(id), 0);
    EXPECT_EQ(dev.mixer->openHandles(), 0);

    // A device without any mixer (ALSA's "file" device) records too.
    SimSoundSystem bareSys;
    SimInputDevice bare = microphone();
    bare.mixer = nullptr;
    bareSys.addDevice(bare);
    Wave w2(bareSys);
    ASSERT_TRUE(w2.FindMicrophone(&signal));
    ASSERT_TRUE(w2.Open());
    EXPECT_FALSE(w2.HasVolumeControl());
    EXPECT_EQ(w2.Mixer(), nullptr);
    EXPECT_TRUE(w2.Start());
    w2.Close();
    EXPECT_EQ(bareSys.openCount(0), 0);
}

TEST(MicrophoneRecorder, MixerLevelsOutsideTheControlRangeChangeNothing) {
    SimSoundSystem sys;
    SimInputDevice dev = microphone();
    dev.mixer->controls[1][0].maximum = 40000;
    dev.mixer->controls[1][0].minimum = 100;
    sys.addDevice(dev);
    soundtest::CallbackLog log;
    std::unique_ptr<SoundInput> in;
    ASSERT_EQ(sys.openInput(0, WaveFormat::pcm16(2, 48000, true), &soundtest::CallbackLog::proc, log.instance(),
                            SoundSystem::CallbackFunction, in),
              mmresult::NoError);
    const auto source = CInputMixer::FindMixerSource(sys, *in, "USB Tessik QEX-1", true);
    ASSERT_TRUE(source.has_value());
    EXPECT_EQ(*source, 0u);
    EXPECT_EQ(CInputMixer::FindMixerSource(sys, *in, "USB Tessik QEX-1", false), 0u);  // the microphone source
    EXPECT_EQ(CInputMixer::FindMixerSource(sys, *in, "another name", false), std::nullopt);

    CInputMixer m(sys, *in, 1);
    ASSERT_TRUE(m.IsOpened());
    ASSERT_TRUE(m.HasVolume());
    EXPECT_EQ(m.VolumeMaximum(), 40000);
    EXPECT_EQ(m.MicrophoneChannels(), 2u);
    EXPECT_FALSE(m.SetInputLevel(40001));
    EXPECT_FALSE(m.SetInputLevel(99));
    EXPECT_TRUE(dev.mixer->setLog().empty());
    EXPECT_TRUE(m.SetInputLevel(40000));
    // A multiple-item control selects our source (1) and nothing else.
    EXPECT_TRUE(m.SetBooleanControl("mux", 1));
    EXPECT_EQ(dev.mixer->valuesOf(13), (std::vector<std::uint32_t>{0, 1}));  // uniform: one value per item
    EXPECT_TRUE(m.SetBooleanControl("agc", 0));                              // names compare ignoring case
    EXPECT_EQ(dev.mixer->lastValue("AGC"), 0);
    EXPECT_FALSE(m.SetBooleanControl("Loudness", 1));

    // The source index must be below the destination's source count, and
    // the microphone needs one or two channels.
    CInputMixer beyond(sys, *in, 2);
    EXPECT_FALSE(beyond.IsOpened());
    EXPECT_FALSE(beyond.SetInputLevel(1000));
    dev.mixer->sources[0].channels = 4;
    CInputMixer quad(sys, *in, 0);
    EXPECT_FALSE(quad.IsOpened());
    EXPECT_EQ(dev.mixer->openHandles(), 1);  // only `m` holds one
    in->close();
}

// The take of the simulated microphone, recorded through the simulated
// input, is exactly its left channel divided by 32767.
TEST(MicrophoneRecorder, RecordsOneTakeOfTheSimulatedMicrophone) {
    sim::Room room;
    sim::Microphone mic(room);
    // The recorder's limit on a take (55 s of its clock) runs on this clock
    // too, while the room's sound costs real time to compute: at 10x a busy
    // machine still has 5 s to compute 4.1 s of sound.
    ScaledClock clock(10.0);
    SimSoundSystem sys(clock);
    SimInputDevice dev = microphone(std::make_shared<sim::MicrophoneSource>(mic));
    dev.pacing = SimInputDevice::Pacing::RealTime;  // 4.1 s of sound in about 410 ms
    sys.addDevice(dev);

    Event signal(Event::Reset::Auto);
    Wave w(sys, clock);
    ASSERT_TRUE(w.FindMicrophone(&signal));
    ASSERT_TRUE(w.Open());
    const std::vector<std::int16_t> expected = mic.take();
    for (int take = 0; take < 2; ++take) {  // a second take reuses the buffers
        ASSERT_TRUE(w.Start());
        ASSERT_TRUE(w.WaitForData(&signal));
        std::vector<double> got;
        double largest = 0, smallest = 0;
        ASSERT_TRUE(w.StopAndReport(got, largest, smallest));
        ASSERT_EQ(got.size(), 196608u);
        double hi = -1.0, lo = 1.0;
        if (take == 0)
            for (std::size_t i = 0; i < got.size(); ++i) {
                ASSERT_EQ(got[i], expected[2 * i] / 32767.0) << "at " << i;
                hi = std::max(hi, got[i]);
                lo = std::min(lo, got[i]);
            }
        if (take == 0) {
            EXPECT_EQ(largest, hi);
            EXPECT_EQ(smallest, lo);
            // The sweep (-35 dBFS at a path gain of 1) is there, not
            // silence or the noise alone (-90 dBFS).
            EXPECT_GT(largest, 0.01);
        }
    }
}

TEST(MicrophoneRecorder, FullScaleSamplesConvertAgainst32767) {
    std::vector<std::int16_t> take(Wave::TakeValues, 0);
    take[0] = -32768;
    take[1] = 5;  // right channel: ignored
    take[2] = 32767;
    take[4] = 1;
    SimSoundSystem sys;
    sys.addDevice(microphone(std::make_shared<soundtest::TakeSource>(take)));
    Event signal(Event::Reset::Auto);
    Wave w(sys);
    ASSERT_TRUE(w.FindMicrophone(&signal));
    ASSERT_TRUE(w.Open());
    ASSERT_TRUE(w.Start());
    ASSERT_TRUE(w.WaitForData(&signal));
    std::vector<double> got;
    double largest = 0, smallest = 0;
    ASSERT_TRUE(w.StopAndReport(got, largest, smallest));
    ASSERT_EQ(got.size(), 196608u);
    EXPECT_DOUBLE_EQ(got[0], -1.0000305185094759);  // -32768 / 32767
    EXPECT_LT(got[0], -1.0);
    EXPECT_EQ(got[1], 1.0);
    EXPECT_EQ(got[2], 1.0 / 32767.0);
    EXPECT_EQ(got[3], 0.0);
    EXPECT_EQ(largest, 1.0);
    EXPECT_EQ(smallest, got[0]);
}

// The device goes quiet before the take is complete: the recorder gives up
// after one event wait of 54613 ms and four checks 10922 ms apart, on its
// own clock, so the test waits no real minute and a half.
TEST(MicrophoneRecorder, AnIncompleteTakeFailsAfterTheWaits) {
    SimSoundSystem sys;  // real time for the device, which stops after 100000 frames
    SimInputDevice dev = microphone();
    dev.frameLimit = 100000;
    sys.addDevice(dev);
    VirtualClock clock;
    Event signal(Event::Reset::Auto);
    Wave w(sys, clock);
    ASSERT_TRUE(w.FindMicrophone(&signal));
    ASSERT_TRUE(w.Open());
    ASSERT_TRUE(w.Start());
    const auto realStart = std::chrono::steady_clock::now();
    EXPECT_FALSE(w.WaitForData(&signal));
    EXPECT_GE(clock.nowMs(), 54613 + 4 * 10922);
    EXPECT_LT(clock.nowMs(), 54613 + 4 * 10922 + 100);
    EXPECT_EQ(clock.totalSleptMs(), clock.nowMs());
    EXPECT_LT(std::chrono::steady_clock::now() - realStart, std::chrono::seconds(5));
    std::vector<double> got;
    double largest = 0, smallest = 0;
    EXPECT_FALSE(w.StopAndReport(got, largest, smallest));
    EXPECT_TRUE(got.empty());
    w.Close();
    EXPECT_FALSE(w.IsOpen());
    EXPECT_EQ(sys.openCount(0), 0);
}

// The job aborts while the take is being recorded: the buffer is still
// queued. Close resets the input before it frees the buffer, so nothing is
// freed under the capture thread (AddressSanitizer watches this), the input
// closes, and the device records again afterwards.
TEST(MicrophoneRecorder, AnAbortMidTakeClosesCleanlyAndTheDeviceRecordsAgain) {
    ScaledClock clock(20.0);
    SimSoundSystem sys(clock);
    SimInputDevice dev = microphone(std::make_shared<soundtest::RampSource>());
    dev.pacing = SimInputDevice::Pacing::RealTime;  // a take lasts about 200 ms
    sys.addDevice(dev);
    Event signal(Event::Reset::Auto);
    for (int round = 0; round < 3; ++round) {
        Wave w(sys, clock);
        ASSERT_TRUE(w.FindMicrophone(&signal));
        ASSERT_TRUE(w.Open());
        const std::int64_t before = sys.framesDelivered(0);
        ASSERT_TRUE(w.Start());
        // Each round aborts a little further into the take (0.4, 0.8 and
        // 1.2 s of its 4 s), once the device has recorded that far.
        const std::int64_t into = 19200 * (round + 1);
        ASSERT_TRUE(testsupport::WaitUntil([&] { return sys.framesDelivered(0) >= before + into; }, 20000))
            << "round " << round << ": the take never got " << into << " frames in";
        if (round == 2) {
            // Aborted by destruction alone.
            continue;
        }
        w.Close();
        EXPECT_FALSE(w.IsOpen());
        EXPECT_EQ(sys.openCount(0), 0);
    }
    EXPECT_EQ(sys.openCount(0), 0);
    Wave again(sys, clock);
    ASSERT_TRUE(again.FindMicrophone(&signal));
    ASSERT_TRUE(again.Open());
    ASSERT_TRUE(again.Start());
    EXPECT_TRUE(again.WaitForData(&signal));
}

// The simulated microphone hears whichever channel the processor plays; the
// take recorded through the simulated input follows it.
TEST(MicrophoneRecorder, TheTakeFollowsTheChannelWhoseToneIsPlaying) {
    sim::Room room;
    sim::Microphone mic(room);
    std::atomic<int> playing{2};
    mic.setToneSource([&] { return playing.load(); });
    SimSoundSystem sys;
    sys.addDevice(microphone(std::make_shared<sim::MicrophoneSource>(mic)));
    Event signal(Event::Reset::Auto);
    Wave w(sys);
    ASSERT_TRUE(w.FindMicrophone(&signal));
    ASSERT_TRUE(w.Open());
    ASSERT_TRUE(w.Start());
    ASSERT_TRUE(w.WaitForData(&signal));
    std::vector<double> got;
    double largest = 0, smallest = 0;
    ASSERT_TRUE(w.StopAndReport(got, largest, smallest));
    const std::vector<std::int16_t> channel2 = mic.take(2, 0);
    const std::vector<std::int16_t> channel0 = mic.take(0, 0);
    std::size_t differFrom0 = 0;
    for (std::size_t i = 0; i < got.size(); ++i) {
        ASSERT_EQ(got[i], channel2[2 * i] / 32767.0) << "at " << i;
        differFrom0 += channel0[2 * i] != channel2[2 * i];
    }
    EXPECT_GT(differFrom0, got.size() / 2);  // another channel's path would give another take
}
