// The waveIn discipline of SoundInput over the simulated sound system: what
// the recorders rely on when buffers are queued, filled, stopped, reset and
// the input closed.
#include "sound_test_support.h"

#include "platform/ScaledClock.h"
#include "platform/SimSoundSystem.h"
#include "platform/SoundSystem.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

using namespace platform;
using soundtest::CallbackLog;
using soundtest::RampSource;

using testsupport::WaitUntil;

namespace {

constexpr std::uint32_t kOpenFlags = SoundSystem::CallbackFunction | SoundSystem::FormatDirect;

// A buffer of `frames` frames with its header.
struct Buffer {
    Buffer(std::size_t frames, unsigned channels) : samples(frames * channels) {
        header.data = reinterpret_cast<char*>(samples.data());
        header.bufferLength = static_cast<std::uint32_t>(samples.size() * 2);
    }
    std::vector<std::int16_t> samples;
    WaveHeader header;
};

struct Rig {
    explicit Rig(SimInputDevice device = {}, double factor = 1000.0) : clock(factor) {
        if (device.name.empty()) device.name = "Sim input";
        if (!device.source) device.source = ramp;
        id = sys.addDevice(std::move(device));
    }
    MmResult open(unsigned channels = 2, bool extensible = true) {
        return sys.openInput(id, WaveFormat::pcm16(static_cast<std::uint16_t>(channels), 48000, extensible),
                             &CallbackLog::proc, log.instance(), kOpenFlags, input);
    }
    ScaledClock clock;
    std::shared_ptr<RampSource> ramp = std::make_shared<RampSource>();
    SimSoundSystem sys{clock};
    unsigned id = 0;
    CallbackLog log;
    std::unique_ptr<SoundInput> input;
};

}  // namespace

TEST(SoundInput, DevicesHaveNamesAndOpensAreCheckedAgainstTheirFormats) {
    SimSoundSystem sys;
    sys.addDevice({.name = "Line in"});
    sys.addDevice({.name = "A very long product name of a USB microphone", .acceptsExtensible = false});
    ASSERT_EQ(sys.inputDeviceCount(), 2u);
    std::string name;
    EXPECT_EQ(sys.inputDeviceName(1, name), mmresult::NoError);
    EXPECT_EQ(name, "A very long product name of a U");  // 31 characters, as the system reports names
    EXPECT_EQ(sys.inputDeviceName(2, name), mmresult::BadDeviceId);

    CallbackLog log;
    std::unique_ptr<SoundInput> in;
    EXPECT_EQ(sys.openInput(5, WaveFormat::pcm16(2, 48000, true), &CallbackLog::proc, log.instance(), kOpenFlags, in),
              mmresult::BadDeviceId);
    EXPECT_EQ(sys.openInput(0, WaveFormat::pcm16(2, 44100, true), &CallbackLog::proc, log.instance(), kOpenFlags, in),
              mmresult::BadFormat);
    EXPECT_EQ(sys.openInput(1, WaveFormat::pcm16(2, 48000, true), &CallbackLog::proc, log.instance(), kOpenFlags, in),
              mmresult::BadFormat);  // this one takes only the plain tag
    WaveFormat eightBit = WaveFormat::pcm16(1, 48000, false);
    eightBit.bitsPerSample = 8;
    EXPECT_EQ(sys.openInput(0, eightBit, &CallbackLog::proc, log.instance(), kOpenFlags, in), mmresult::BadFormat);
    EXPECT_EQ(in, nullptr);

    ASSERT_EQ(sys.openInput(1, WaveFormat::pcm16(2, 48000, false), &CallbackLog::proc, log.instance(), kOpenFlags, in),
              mmresult::NoError);
    ASSERT_TRUE(log.waitFor(WimOpen, 1));
    EXPECT_FALSE(log.entries()[0].onCallerThread);  // on the input's own thread
    EXPECT_EQ(sys.openCount(1), 1);

    std::unique_ptr<SoundInput> second;
    EXPECT_EQ(sys.openInput(1, WaveFormat::pcm16(2, 48000, false), &CallbackLog::proc, log.instance(), kOpenFlags,
                            second),
              mmresult::Allocated);
    EXPECT_EQ(in->close(), mmresult::NoError);
    EXPECT_EQ(log.count(WimClose), 1u);
    in.reset();
    EXPECT_EQ(sys.openCount(1), 0);
    EXPECT_EQ(sys.openLog().size(), 6u);
    EXPECT_STREQ(SoundResultText(mmresult::StillPlaying), "buffers are still queued");
}

TEST(SoundInput, QueuedBuffersFillInOrderAndComeBackDoneOnTheCaptureThread) {
    Rig rig;
    ASSERT_EQ(rig.open(), mmresult::NoError);
    std::vector<std::unique_ptr<Buffer>> bufs;
    for (int i = 0; i < 3; ++i) bufs.push_back(std::make_unique<Buffer>(10000, 2));

    EXPECT_EQ(rig.input->addBuffer(bufs[0]->header), mmresult::Unprepared);
    for (auto& b : bufs) {
        ASSERT_EQ(rig.input->prepareHeader(b->header), mmresult::NoError);
        ASSERT_EQ(rig.input->addBuffer(b->header), mmresult::NoError);
        EXPECT_TRUE(b->header.isQueued());
    }
    EXPECT_EQ(bufs[0]->header.next.load(), &bufs[1]->header);  // chained in queue order
    EXPECT_EQ(bufs[1]->header.next.load(), &bufs[2]->header);
    EXPECT_EQ(rig.input->unprepareHeader(bufs[0]->header), mmresult::StillPlaying);

    ASSERT_EQ(rig.input->start(), mmresult::NoError);
    ASSERT_TRUE(rig.log.waitFor(WimData, 3));
    std::uint64_t frame = 0;
    const auto entries = rig.log.entries();
    int k = 0;
    for (const auto& e : entries) {
        if (e.message != WimData) continue;
        EXPECT_EQ(e.header, &bufs[k]->header);
        EXPECT_EQ(e.bytes, 40000u);
        EXPECT_FALSE(e.onCallerThread);
        ++k;
    }
    for (auto& b : bufs) {
        EXPECT_TRUE(b->header.isFull());
        EXPECT_FALSE(b->header.isQueued());
        for (std::size_t f = 0; f < 10000; ++f, ++frame) {
            ASSERT_EQ(b->samples[2 * f], static_cast<std::int16_t>(frame & 0xFFFF));
            ASSERT_EQ(b->samples[2 * f + 1], static_cast<std::int16_t>(frame & 0xFFFF));
        }
        EXPECT_EQ(rig.input->unprepareHeader(b->header), mmresult::NoError);
    }
    // With nothing queued the simulated input is dropped, not buffered, and
    // the input still closes. Nothing counts what is dropped: a short run
    // with the queue empty before the close.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(rig.input->close(), mmresult::NoError);
}

TEST(SoundInput, StopReturnsThePartlyFilledBufferAndKeepsEmptyOnesQueued) {
    SimInputDevice dev;
    dev.frameLimit = 5000;  // the device goes quiet inside the first buffer
    Rig rig(dev);
    ASSERT_EQ(rig.open(1), mmresult::NoError);
    Buffer a(8192, 1), b(8192, 1);
    for (Buffer* x : {&a, &b}) {
        rig.input->prepareHeader(x->header);
        rig.input->addBuffer(x->header);
    }
    ASSERT_EQ(rig.input->start(), mmresult::NoError);
    ASSERT_TRUE(WaitUntil([&] { return a.header.bytesRecorded.load() >= 10000; }, 10000))
        << "the device's 5000 frames never reached the buffer";
    ASSERT_EQ(rig.input->stop(), mmresult::NoError);
    // Stop returns once the partial buffer has been handed back.
    ASSERT_EQ(rig.log.count(WimData), 1u);
    EXPECT_TRUE(a.header.isDone());
    EXPECT_FALSE(a.header.isFull());
    EXPECT_EQ(a.header.bytesRecorded.load(), 10000u);
    EXPECT_TRUE(b.header.isQueued());
    EXPECT_EQ(b.header.bytesRecorded.load(), 0u);
    EXPECT_EQ(rig.input->queuedCount(), 1u);

    // Close is refused while a buffer is queued; reset gives it back.
    EXPECT_EQ(rig.input->close(), mmresult::StillPlaying);
    EXPECT_FALSE(rig.input->isClosed());
    EXPECT_EQ(rig.input->reset(), mmresult::NoError);
    ASSERT_EQ(rig.log.count(WimData), 2u);
    EXPECT_TRUE(b.header.isDone());
    EXPECT_EQ(rig.input->queuedCount(), 0u);
    EXPECT_EQ(rig.input->close(), mmresult::NoError);
    EXPECT_EQ(rig.log.entries().back().message, WimClose);

    // A closed input refuses everything.
    EXPECT_EQ(rig.input->start(), mmresult::InvalidHandle);
    EXPECT_EQ(rig.input->addBuffer(a.header), mmresult::InvalidHandle);
    EXPECT_EQ(rig.input->close(), mmresult::InvalidHandle);
}

TEST(SoundInput, ResetMidCaptureReturnsEveryBufferInOrderAndRestartContinues) {
    SimInputDevice dev;
    // 2 s buffers take 200 ms on a clock 10x fast: the reset lands in the
    // second buffer unless this thread is held up that long.
    dev.pacing = SimInputDevice::Pacing::RealTime;
    Rig rig(dev, 10.0);
    ASSERT_EQ(rig.open(2), mmresult::NoError);
    std::vector<std::unique_ptr<Buffer>> bufs;
    for (int i = 0; i < 4; ++i) {
        bufs.push_back(std::make_unique<Buffer>(96000, 2));  // 2 s each
        rig.input->prepareHeader(bufs.back()->header);
        rig.input->addBuffer(bufs.back()->header);
    }
    ASSERT_EQ(rig.input->start(), mmresult::NoError);
    ASSERT_TRUE(rig.log.waitFor(WimData, 1));
    ASSERT_EQ(rig.input->reset(), mmresult::NoError);
    std::vector<WaveHeader*> order;
    for (const auto& e : rig.log.entries())
        if (e.message == WimData) order.push_back(e.header);
    ASSERT_EQ(order.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(order[i], &bufs[i]->header);
        EXPECT_TRUE(bufs[i]->header.isDone());
    }
    EXPECT_TRUE(bufs[0]->header.isFull());
    EXPECT_EQ(bufs[3]->header.bytesRecorded.load(), 0u);

    // Re-queued, the buffers fill again after a new start.
    for (auto& b : bufs) ASSERT_EQ(rig.input->addBuffer(b->header), mmresult::NoError);
    ASSERT_EQ(rig.input->start(), mmresult::NoError);
    ASSERT_TRUE(rig.log.waitFor(WimData, 5));
    // The fifth buffer back is the first one queued again (more may have
    // followed by now).
    std::vector<WaveHeader*> again;
    for (const auto& e : rig.log.entries())
        if (e.message == WimData) again.push_back(e.header);
    ASSERT_GE(again.size(), 5u);
    EXPECT_EQ(again[4], &bufs[0]->header);
    EXPECT_EQ(rig.input->reset(), mmresult::NoError);
    EXPECT_EQ(rig.input->close(), mmresult::NoError);
}

TEST(SoundInput, RealTimePacingFollowsTheClock) {
    SimInputDevice dev;
    dev.pacing = SimInputDevice::Pacing::RealTime;
    Rig rig(dev);  // clock 1000x: one second of sound in about a millisecond
    ASSERT_EQ(rig.open(1), mmresult::NoError);
    Buffer one(48000 * 3, 1);
    rig.input->prepareHeader(one.header);
    rig.input->addBuffer(one.header);
    const std::int64_t t0 = rig.clock.nowMs();
    ASSERT_EQ(rig.input->start(), mmresult::NoError);
    ASSERT_TRUE(rig.log.waitFor(WimData, 1));
    const std::int64_t took = rig.clock.nowMs() - t0;
    // Three seconds of the clock for three seconds of sound, never less; how
    // much more depends on how busy the machine is, so no upper bound.
    EXPECT_GE(took, 3000);
    EXPECT_EQ(rig.input->close(), mmresult::NoError);
}

TEST(SoundInput, CommandsFromInsideTheCallbackAreRefusedAndDestructionIsQuiet) {
    struct Reentrant {
        static void proc(SoundInput* in, std::uint32_t msg, std::uintptr_t inst, WaveHeader*) {
            if (msg == WimData) reinterpret_cast<Reentrant*>(inst)->result = in->stop();
        }
        std::atomic<MmResult> result{mmresult::NoError};
    } r;
    SimSoundSystem sys;
    sys.addDevice({.name = "x"});
    std::unique_ptr<SoundInput> in;
    ASSERT_EQ(sys.openInput(0, WaveFormat::pcm16(1, 48000, true), &Reentrant::proc,
                            reinterpret_cast<std::uintptr_t>(&r), kOpenFlags, in),
              mmresult::NoError);
    Buffer a(100, 1), b(1000000, 1);
    in->prepareHeader(a.header);
    in->addBuffer(a.header);
    in->prepareHeader(b.header);
    in->addBuffer(b.header);
    in->start();
    // The callback's answer is stored once the first buffer is handed back.
    ASSERT_TRUE(WaitUntil([&] { return r.result.load() != mmresult::NoError; }, 10000))
        << "the first buffer never came back";
    EXPECT_EQ(r.result.load(), mmresult::HandleBusy);
    in.reset();  // destroyed while capturing with a buffer queued: no crash, no callback
    EXPECT_EQ(sys.openCount(0), 0);
}

TEST(SoundInput, DeviceNamesAreCutAtWholeCharacters) {
    EXPECT_EQ(TruncateDeviceName("USB Tessik QEX-1"), "USB Tessik QEX-1");
    const std::string exact(31, 'x');
    EXPECT_EQ(TruncateDeviceName(exact + "yz"), exact);
    // 30 ASCII characters, then "é" (two bytes) and more: the cut keeps the
    // whole "é" as the 31st character.
    const std::string thirty(30, 'a');
    EXPECT_EQ(TruncateDeviceName(thirty + "\xC3\xA9" + "bc"), thirty + "\xC3\xA9");
    EXPECT_EQ(TruncateDeviceName(""), "");
}
