// The streaming recorder over the simulated sound system: ordered fresh
// blocks, Stop/Start cycles that keep the ring whole, termination with work
// in flight, and a client that owns what it is given.
#include "halvane/signal/AudioSampler2Wave.h"
#include "platform/ScaledClock.h"
#include "platform/SimSoundSystem.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

using namespace platform;
using halvane::signal::AudioSampler2::Wave;
using halvane::signal::AudioSampler2::WaveCallback;

namespace {

// Sample n of the stream is (n / 8) mod 65536 as a signed 16-bit value: a
// block of 32768 samples rises by 4096, and consecutive blocks continue
// each other, so order and freshness are visible in the values.
class SlowRamp final : public SampleSource {
public:
    void fill(std::int16_t* out, std::size_t frames, unsigned channels, unsigned) override {
        for (std::size_t f = 0; f < frames; ++f, ++next)
            for (unsigned c = 0; c < channels; ++c) out[f * channels + c] = static_cast<std::int16_t>((next / 8) & 0xFFFF);
    }
    std::uint64_t next = 0;
};

std::uint16_t raw(double v) { return static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(v * 32767.0))); }

class Collector final : public WaveCallback {
public:
    void DataReady(Data data) override {
        if (delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        std::lock_guard lock(mutex);
        blocks.push_back(std::move(data));
        changed.notify_all();
    }
    bool waitFor(std::size_t n, int timeoutMs = 10000) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return blocks.size() >= n; });
    }
    std::size_t count() {
        std::lock_guard lock(mutex);
        return blocks.size();
    }
    std::vector<Data> all() {
        std::lock_guard lock(mutex);
        return blocks;
    }

    int delayMs = 0;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Data> blocks;
};

// Every block is 32768 values of the slow ramp, each sample equal to the one
// before or one above it (mod 65536).
void expectRampBlock(const WaveCallback::Data& d) {
    ASSERT_EQ(d.count, 32768);
    ASSERT_NE(d.data(), nullptr);
    for (int i = 1; i < d.count; ++i) {
        const std::uint16_t step = static_cast<std::uint16_t>(raw(d.data()[i]) - raw(d.data()[i - 1]));
        ASSERT_TRUE(step == 0 || step == 1) << "at " << i;
    }
}

SimInputDevice streamingMic(std::shared_ptr<SampleSource> source, SimInputDevice::Pacing pacing) {
    SimInputDevice d;
    d.name = "USB Tessik QEX-1";
    d.source = std::move(source);
    d.pacing = pacing;
    d.mixer = std::make_shared<SimInputMixer>(SimInputMixer::typical(d.name, 1));
    return d;
}

}  // namespace

TEST(StreamingRecorder, DeliversFreshBlocksInCaptureOrder) {
    ScaledClock clock(50.0);  // about 73 blocks a second
    SimSoundSystem sys(clock);
    SimInputDevice dev = streamingMic(std::make_shared<SlowRamp>(), SimInputDevice::Pacing::RealTime);
    dev.acceptsExtensible = false;
    auto mixer = dev.mixer;
    sys.addDevice(dev);
    Collector client;
    Wave w(&client, true, sys, clock);
    ASSERT_TRUE(w.FindMicrophone());
    ASSERT_TRUE(w.Open());
    ASSERT_EQ(sys.openLog().size(), 2u);  // extensible refused, plain PCM taken
    EXPECT_EQ(sys.openLog()[0].format.channels, 1);
    EXPECT_EQ(sys.openLog()[0].format.avgBytesPerSec, 96000u);
    EXPECT_EQ(sys.openLog()[0].format.channelMask, 1u);
    EXPECT_EQ(w.InputLevel(), 65535u);  // the volume control's maximum
    EXPECT_EQ(mixer->valuesOf(10), (std::vector<std::uint32_t>{65535}));
    EXPECT_EQ(mixer->lastValue("AGC"), 1);
    EXPECT_EQ(mixer->lastValue("Mute"), 0);
    w.SetLevel(8192);
    EXPECT_EQ(mixer->valuesOf(10), (std::vector<std::uint32_t>{8192}));

    ASSERT_TRUE(w.PrepareAndStart());
    ASSERT_TRUE(client.waitFor(24));  // more than the ring holds: buffers came back
    w.Terminate();
    const auto blocks = client.all();
    for (std::size_t k = 0; k < blocks.size(); ++k) {
        expectRampBlock(blocks[k]);
        // Block k holds samples 32768k .. 32768k + 32767 of the stream.
        EXPECT_EQ(raw(blocks[k].data()[0]), static_cast<std::uint16_t>((k * 4096) & 0xFFFF)) << "block " << k;
        if (k > 0) {
            EXPECT_NE(blocks[k].data(), blocks[k - 1].data());  // a fresh block each time
        }
    }
}

TEST(StreamingRecorder, FullScaleIsOneAndTheMixerIsLeftAloneWithoutUseMixer) {
    class Constant final : public SampleSource {
    public:
        void fill(std::int16_t* out, std::size_t frames, unsigned channels, unsigned) override {
            std::fill(out, out + frames * channels, std::int16_t{32767});
        }
    };
    SimSoundSystem sys;
    SimInputDevice dev = streamingMic(std::make_shared<Constant>(), SimInputDevice::Pacing::Fast);
    auto mixer = dev.mixer;
    sys.addDevice(dev);
    Collector client;
    Wave w(&client, false, sys);
    ASSERT_TRUE(w.FindMicrophone());
    ASSERT_TRUE(w.Open());
    ASSERT_TRUE(w.PrepareAndStart());
    ASSERT_TRUE(client.waitFor(1));
    w.Terminate();
    const auto blocks = client.all();
    for (int i = 0; i < blocks[0].count; ++i) ASSERT_EQ(blocks[0].data()[i], 1.0);
    EXPECT_EQ(mixer->openHandles(), 0);
    EXPECT_TRUE(mixer->setLog().empty());
}

// Each Stop lands inside a buffer, which comes back incomplete. It goes back
// into the ring unconverted, so after more cycles than the ring has buffers
// every Start still delivers.
TEST(StreamingRecorder, TwentyStopStartCyclesStillDeliver) {
    ScaledClock clock(40.0);
    SimSoundSystem sys(clock);
    sys.addDevice(streamingMic(std::make_shared<SlowRamp>(), SimInputDevice::Pacing::RealTime));
    Collector client;
    Wave w(&client, true, sys, clock);
    ASSERT_TRUE(w.FindMicrophone());
    ASSERT_TRUE(w.Open());
    ASSERT_TRUE(w.PrepareAndStart());
    ASSERT_TRUE(client.waitFor(1));
    // At least 20 cycles, and on until more buffers were cut short than the
    // ring holds (a stop right after a buffer completed cuts none).
    int cycle = 0;
    for (; cycle < 20 || (w.Buffers().Requeued() <= Wave::BufferCount && cycle < 80); ++cycle) {
        ASSERT_TRUE(w.Stop());
        const std::size_t before = client.count();
        ASSERT_TRUE(w.Start());
        ASSERT_TRUE(client.waitFor(before + 2, 5000)) << "cycle " << cycle;
    }
    EXPECT_GT(w.Buffers().Requeued(), static_cast<std::uint64_t>(Wave::BufferCount)) << cycle << " cycles";
    w.Terminate();
    for (const auto& b : client.all()) expectRampBlock(b);
}

// Terminate while the input floods the conversion worker: the capture
// thread confirms the close, so it never waits out its bound; nothing is
// posted after it, no conversion touches freed buffers (AddressSanitizer),
// and the recorder opens and streams again.
TEST(StreamingRecorder, TerminateWithConversionsInFlightNeitherHangsNorRaces) {
    SimSoundSystem sys;
    sys.addDevice(streamingMic(std::make_shared<SlowRamp>(), SimInputDevice::Pacing::Fast));
    Collector client;
    // The recorder's clock runs ten times slower than real time: its 5 s
    // bound on the close lasts 50 s, so a Terminate that returns within
    // this test's own 30 s had its close confirmed, however busy the machine.
    ScaledClock slow(0.1);
    Wave w(&client, true, sys, slow);
    ASSERT_TRUE(w.FindMicrophone());
    for (int round = 0; round < 5; ++round) {
        ASSERT_TRUE(w.Open());
        ASSERT_TRUE(w.PrepareAndStart());
        ASSERT_TRUE(client.waitFor(client.count() + 3));
        auto terminated = std::async(std::launch::async, [&] { w.Terminate(); });
        ASSERT_EQ(terminated.wait_for(std::chrono::seconds(30)), std::future_status::ready)
            << "round " << round << ": the close was never confirmed; Terminate waits out its bound";
        EXPECT_FALSE(w.IsRunning());
        EXPECT_FALSE(w.IsOpen());
        EXPECT_EQ(sys.openCount(0), 0);
        const std::uint64_t converted = w.Buffers().Converted();
        // Only time can show that nothing converts later: a short look.
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        EXPECT_EQ(w.Buffers().Converted(), converted);  // no conversion after the termination
    }
    EXPECT_FALSE(w.Start());  // nothing to start once terminated
    EXPECT_FALSE(w.Stop());
}

// Blocks still waiting in the dispatcher when the recorder goes are freed
// with it (LeakSanitizer); blocks the client kept stay valid.
TEST(StreamingRecorder, DestructionWithQueuedBlocksLeaksNothing) {
    SimSoundSystem sys;
    sys.addDevice(streamingMic(std::make_shared<SlowRamp>(), SimInputDevice::Pacing::Fast));
    Collector client;
    client.delayMs = 200;  // a slow analysis: blocks pile up in the dispatcher
    {
        Wave w(&client, true, sys);
        ASSERT_TRUE(w.FindMicrophone());
        ASSERT_TRUE(w.Open());
        ASSERT_TRUE(w.PrepareAndStart());
        ASSERT_TRUE(client.waitFor(1));
        // Blocks wait in the dispatcher.
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (w.Buffers().Converted() < client.count() + 3 && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_GE(w.Buffers().Converted(), client.count() + 3) << "no blocks piled up in the dispatcher within 30 s";
    }
    const auto kept = client.all();
    ASSERT_GE(kept.size(), 1u);
    expectRampBlock(kept[0]);
}

TEST(StreamingRecorder, WithoutAVolumeControlItRecordsAtTheDeviceLevel) {
    SimSoundSystem sys;
    SimInputDevice dev = streamingMic(std::make_shared<SlowRamp>(), SimInputDevice::Pacing::Fast);
    dev.mixer->controls[1].front().disabled = true;
    sys.addDevice(dev);
    Collector client;
    Wave w(&client, true, sys);
    ASSERT_TRUE(w.FindMicrophone());
    ASSERT_TRUE(w.Open());
    EXPECT_FALSE(w.HasVolumeControl());
    EXPECT_EQ(dev.mixer->lastValue("Mute"), 0);  // the switches are still set
    const auto set = dev.mixer->setLog().size();
    w.SetLevel(8192);
    EXPECT_EQ(dev.mixer->setLog().size(), set);
    ASSERT_TRUE(w.PrepareAndStart());
    EXPECT_TRUE(client.waitFor(1));
    w.Terminate();
    EXPECT_EQ(sys.openCount(0), 0);
}
