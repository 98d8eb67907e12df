// The ALSA side of sound input, for real: a capture PCM of ALSA's "file"
// type (defined in a test configuration through ALSA_CONFIG_PATH) plays a
// raw take, described with a microphone's name, so listing, opening and
// recording all run through libasound.
#include "sound_test_support.h"

#include "platform/SoundInput.h"
#include "platform/alsa/AlsaInputMixer.h"
#include "platform/alsa/AlsaSoundSystem.h"

#include <gtest/gtest.h>

#include <vector>

using namespace platform;
using soundtest::AlsaFileDevice;
using soundtest::CallbackLog;

namespace {

constexpr std::uint32_t kOpenFlags = SoundSystem::CallbackFunction | SoundSystem::FormatDirect;

std::vector<std::int16_t> rampTake(std::size_t samples) {
    std::vector<std::int16_t> v(samples);
    for (std::size_t i = 0; i < samples; ++i) v[i] = static_cast<std::int16_t>((i * 7) & 0xFFFF);
    return v;
}

int findDevice(alsa::AlsaSoundSystem& sys, const std::string& name) {
    const unsigned n = sys.inputDeviceCount();
    for (unsigned i = 0; i < n; ++i) {
        std::string got;
        if (sys.inputDeviceName(i, got) == mmresult::NoError && got == name) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace

TEST(AlsaSoundInput, DefinedCapturePcmsAreListedByTheirDescriptionInOrder) {
    AlsaFileDevice dev(rampTake(1000), "USB Tessik QEX-1", "Line Recorder\nsecond line");
    alsa::AlsaSoundSystem sys;
    const int other = findDevice(sys, "Line Recorder");
    const int mic = findDevice(sys, "USB Tessik QEX-1");
    ASSERT_GE(other, 0);
    ASSERT_GE(mic, 0);
    EXPECT_LT(other, mic);  // in the configuration's order
    const auto list = sys.devices();
    EXPECT_EQ(list[mic].pcm, "qex");
    EXPECT_TRUE(list[mic].card.empty());
    EXPECT_EQ(list[other].longName, "Line Recorder\nsecond line");
}

TEST(AlsaSoundInput, RecordsTheTakeThroughAlsaAt48kHzStereo) {
    const std::vector<std::int16_t> take = rampTake(196608 * 2);
    AlsaFileDevice dev(take, "USB Tessik QEX-1");
    alsa::AlsaSoundSystem sys;
    const int id = findDevice(sys, "USB Tessik QEX-1");
    ASSERT_GE(id, 0);
    CallbackLog log;
    std::unique_ptr<SoundInput> in;
    ASSERT_EQ(sys.openInput(static_cast<unsigned>(id), WaveFormat::pcm16(2, 48000, true), &CallbackLog::proc,
                            log.instance(), kOpenFlags, in),
              mmresult::NoError)
        << sys.lastErrorDetail();

    std::vector<std::int16_t> buffer(take.size());
    WaveHeader h;
    h.data = reinterpret_cast<char*>(buffer.data());
    h.bufferLength = static_cast<std::uint32_t>(buffer.size() * 2);
    ASSERT_EQ(in->prepareHeader(h), mmresult::NoError);
    ASSERT_EQ(in->addBuffer(h), mmresult::NoError);
    ASSERT_EQ(in->start(), mmresult::NoError);
    ASSERT_TRUE(log.waitFor(WimData, 1, 20000));
    EXPECT_TRUE(h.isFull());
    EXPECT_EQ(buffer, take);
    EXPECT_EQ(in->stop(), mmresult::NoError);
    EXPECT_EQ(in->unprepareHeader(h), mmresult::NoError);
    EXPECT_EQ(in->close(), mmresult::NoError);
    EXPECT_EQ(log.count(WimClose), 1u);

    // The PCM is free again once closed; the file device has no mixer.
    ASSERT_EQ(sys.openInput(static_cast<unsigned>(id), WaveFormat::pcm16(1, 48000, false), &CallbackLog::proc,
                            log.instance(), kOpenFlags, in),
              mmresult::NoError);
    std::unique_ptr<InputMixer> mixer;
    EXPECT_EQ(sys.openMixer(*in, mixer), mmresult::NoDriver);
    EXPECT_EQ(in->close(), mmresult::NoError);
}

TEST(AlsaSoundInput, MonoCaptureFillsQueuedBuffersInStreamOrder) {
    const std::vector<std::int16_t> take = rampTake(8 * 32768);
    AlsaFileDevice dev(take, "USB Tessik QEX-1");
    alsa::AlsaSoundSystem sys;
    const int id = findDevice(sys, "USB Tessik QEX-1");
    ASSERT_GE(id, 0);
    CallbackLog log;
    std::unique_ptr<SoundInput> in;
    ASSERT_EQ(sys.openInput(static_cast<unsigned>(id), WaveFormat::pcm16(1, 48000, true), &CallbackLog::proc,
                            log.instance(), kOpenFlags, in),
              mmresult::NoError);
    std::vector<std::int16_t> a(32768), b(32768);
    WaveHeader ha, hb;
    ha.data = reinterpret_cast<char*>(a.data());
    hb.data = reinterpret_cast<char*>(b.data());
    ha.bufferLength = hb.bufferLength = 65536;
    in->prepareHeader(ha);
    in->prepareHeader(hb);
    in->addBuffer(ha);
    in->addBuffer(hb);
    ASSERT_EQ(in->start(), mmresult::NoError);
    ASSERT_TRUE(log.waitFor(WimData, 2, 20000));
    EXPECT_TRUE(std::equal(a.begin(), a.end(), take.begin()));
    EXPECT_TRUE(std::equal(b.begin(), b.end(), take.begin() + 32768));
    EXPECT_EQ(in->reset(), mmresult::NoError);
    EXPECT_EQ(in->close(), mmresult::NoError);
}

TEST(AlsaSoundInput, FormatsOtherThan16BitPcmAreRefusedAndUnknownDevicesToo) {
    AlsaFileDevice dev(rampTake(100), "USB Tessik QEX-1");
    alsa::AlsaSoundSystem sys;
    const int id = findDevice(sys, "USB Tessik QEX-1");
    ASSERT_GE(id, 0);
    CallbackLog log;
    std::unique_ptr<SoundInput> in;
    WaveFormat f = WaveFormat::pcm16(2, 48000, true);
    f.subFormat[0] = 3;  // IEEE float
    EXPECT_EQ(sys.openInput(static_cast<unsigned>(id), f, &CallbackLog::proc, log.instance(), kOpenFlags, in),
              mmresult::BadFormat);
    EXPECT_EQ(sys.openInput(static_cast<unsigned>(id), WaveFormat::pcm16(6, 48000, false), &CallbackLog::proc,
                            log.instance(), kOpenFlags, in),
              mmresult::BadFormat);
    EXPECT_EQ(sys.openInput(999, WaveFormat::pcm16(2, 48000, false), &CallbackLog::proc, log.instance(), kOpenFlags,
                            in),
              mmresult::BadDeviceId);
    EXPECT_EQ(in, nullptr);

    // No card, no mixer: the simple mixer of a card that is not there.
    std::unique_ptr<alsa::AlsaInputMixer> mixer;
    EXPECT_EQ(alsa::AlsaInputMixer::open("hw:CARD=NoSuchCard", "none", mixer), mmresult::NoDriver);
    EXPECT_EQ(mixer, nullptr);
}
