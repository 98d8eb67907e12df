// The recorders through ALSA for real: the simulated microphone's take is
// written as a raw file that a capture PCM of the "file" type plays, named
// like the measurement microphone. The recorder finds it by that name and
// records it through libasound; what it hands back equals the take
// converted in memory.
#include "sound_test_support.h"

#include "halvane/signal/AudioSampler2Wave.h"
#include "halvane/signal/AudioSamplerWave.h"
#include "platform/Event.h"
#include "platform/alsa/AlsaSoundSystem.h"
#include "sim/Microphone.h"
#include "sim/Room.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <vector>

using namespace platform;

TEST(AlsaRecorders, TheMicrophoneRecorderRecordsTheTakeThroughAlsa) {
    sim::Room room;
    sim::Microphone mic(room);
    const std::vector<std::int16_t> take = mic.take();  // 196608 stereo frames
    soundtest::AlsaFileDevice dev(take, "USB Tessik QEX-1", "Line Recorder");
    alsa::AlsaSoundSystem sys;

    Event signal(Event::Reset::Auto);
    halvane::signal::AudioSampler::Wave w(sys);
    w.SetUseMixer(false);  // a file PCM has no card and so no mixer
    ASSERT_TRUE(w.FindMicrophone(&signal));
    EXPECT_EQ(w.DeviceName(), "USB Tessik QEX-1");
    EXPECT_EQ(w.DeviceIndex(), 1u);  // after the line recorder, which is not accepted
    ASSERT_TRUE(w.Open()) << sys.lastErrorDetail();
    ASSERT_TRUE(w.Start());
    ASSERT_TRUE(w.WaitForData(&signal));
    std::vector<double> got;
    double largest = 0, smallest = 0;
    ASSERT_TRUE(w.StopAndReport(got, largest, smallest));
    ASSERT_EQ(got.size(), 196608u);
    for (std::size_t i = 0; i < got.size(); ++i) ASSERT_EQ(got[i], take[2 * i] / 32767.0) << "at " << i;
    w.Close();

    // With the mixer in use the file device, which has none, records at
    // its own level.
    halvane::signal::AudioSampler::Wave withMixer(sys);
    ASSERT_TRUE(withMixer.FindMicrophone(&signal));
    ASSERT_TRUE(withMixer.Open());
    EXPECT_FALSE(withMixer.HasVolumeControl());
    withMixer.SetLevel(16384);
    ASSERT_TRUE(withMixer.Start());
    ASSERT_TRUE(withMixer.WaitForData(&signal));
    ASSERT_TRUE(withMixer.StopAndReport(got, largest, smallest));
    ASSERT_EQ(got.size(), 196608u);
    EXPECT_EQ(got[1000], take[2000] / 32767.0);
}

TEST(AlsaRecorders, TheStreamingRecorderDeliversTheTakeInBlocks) {
    std::vector<std::int16_t> take(6 * 32768);
    for (std::size_t i = 0; i < take.size(); ++i) take[i] = static_cast<std::int16_t>(i * 3);
    soundtest::AlsaFileDevice dev(take, "QEX-1 Tessik");

    struct Client final : halvane::signal::AudioSampler2::WaveCallback {
        void DataReady(Data d) override {
            std::lock_guard lock(m);
            blocks.push_back(std::move(d));
            cv.notify_all();
        }
        std::mutex m;
        std::condition_variable cv;
        std::vector<Data> blocks;
    } client;

    alsa::AlsaSoundSystem sys;
    halvane::signal::AudioSampler2::Wave w(&client, false, sys);
    ASSERT_TRUE(w.FindMicrophone());
    ASSERT_TRUE(w.Open()) << sys.lastErrorDetail();
    ASSERT_TRUE(w.PrepareAndStart());
    {
        std::unique_lock lock(client.m);
        ASSERT_TRUE(client.cv.wait_for(lock, std::chrono::seconds(20), [&] { return client.blocks.size() >= 6; }));
    }
    w.Terminate();
    // Blocks already queued may still be delivered on the dispatcher thread:
    // the first six are taken under the client's lock (they own their data).
    std::vector<halvane::signal::AudioSampler2::WaveCallback::Data> blocks;
    {
        std::lock_guard lock(client.m);
        blocks.assign(client.blocks.begin(), client.blocks.begin() + 6);
    }
    for (int k = 0; k < 6; ++k)
        for (int i = 0; i < 32768; ++i)
            ASSERT_EQ(blocks[k].data()[i], take[k * 32768 + i] / 32767.0) << "block " << k << " at " << i;
}
