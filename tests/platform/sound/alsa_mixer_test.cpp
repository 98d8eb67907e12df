// Which elements of a card's simple mixer stand behind the input mixer's
// controls. The element lists are those of typical cards as `amixer` shows
// them: a USB microphone, a desktop codec, a capture card with an
// automatic gain switch.
#include "platform/alsa/MixerElementChoice.h"
#include "platform/alsa/VolumeScale.h"

#include <gtest/gtest.h>

using namespace platform::alsa;

namespace {
MixerElementInfo volume(const char* name, bool withSwitch = true) {
    MixerElementInfo e;
    e.name = name;
    e.captureVolume = true;
    e.captureSwitch = withSwitch;
    return e;
}
MixerElementInfo toggle(const char* name, bool capture) {
    MixerElementInfo e;
    e.name = name;
    (capture ? e.captureSwitch : e.playbackSwitch) = true;
    return e;
}
MixerElementInfo enumerated(const char* name) {
    MixerElementInfo e;
    e.name = name;
    e.enumerated = true;
    return e;
}
}  // namespace

TEST(AlsaMixerChoice, AUsbMicrophoneHasOneMicElementWithItsSwitch) {
    const auto c = ChooseMixerElements({toggle("Auto Gain Control", false), volume("Mic")});
    EXPECT_EQ(c.volume, 1);
    EXPECT_EQ(c.mute, 1);
    EXPECT_EQ(c.agc, 0);  // a playback switch on USB devices, still the gain control
    EXPECT_EQ(c.source, -1);
}

TEST(AlsaMixerChoice, ACodecRecordsThroughCaptureAndSelectsItsSource) {
    MixerElementInfo inactive = volume("Capture");
    inactive.active = false;
    const auto c = ChooseMixerElements({volume("Front Mic Boost", false), inactive, volume("Capture"),
                                        enumerated("Input Source"), enumerated("Capture Source")});
    EXPECT_EQ(c.volume, 2);  // "Capture" wins over a "Mic" element; the inactive one is passed over
    EXPECT_EQ(c.mute, 2);
    EXPECT_EQ(c.source, 3);
    EXPECT_EQ(c.agc, -1);

    const auto noSwitch = ChooseMixerElements({volume("Digital", false), volume("Line", false)});
    EXPECT_EQ(noSwitch.volume, 0);  // no "Capture", no "Mic": the first capture volume
    EXPECT_EQ(noSwitch.mute, -1);   // and without its own switch there is nothing to unmute
    EXPECT_EQ(ChooseMixerElements({toggle("Auto Gain", true), enumerated("Mode")}).volume, -1);
    EXPECT_EQ(ChooseMixerElements({enumerated("Mode")}).source, -1);
}

TEST(AlsaMixerChoice, TheMicrophoneSourceIsTheOneNamedSoOrTheFirst) {
    EXPECT_TRUE(IsMicrophoneSource({"Mic"}, 0));
    EXPECT_FALSE(IsMicrophoneSource({"Line", "Front Mic", "Rear Mic"}, 0));
    EXPECT_TRUE(IsMicrophoneSource({"Line", "Front Mic", "Rear Mic"}, 1));
    EXPECT_TRUE(IsMicrophoneSource({"Line", "Front Mic", "Rear Mic"}, 2));
    EXPECT_TRUE(IsMicrophoneSource({"Input 1", "Input 2"}, 0));
    EXPECT_FALSE(IsMicrophoneSource({"Input 1", "Input 2"}, 1));
    EXPECT_FALSE(IsMicrophoneSource({"Mic"}, 1));
}

// The mixer shows every capture volume on 0..65535, linear in the
// element's raw steps (a USB microphone's 0..127, a codec's -3072..0 in
// 1/256 dB steps).
TEST(AlsaMixerScale, VolumesMapLinearlyOntoTheElementRange) {
    EXPECT_EQ(ToDeviceVolume(0, 0, 127), 0);
    EXPECT_EQ(ToDeviceVolume(65535, 0, 127), 127);
    EXPECT_EQ(ToDeviceVolume(16384, 0, 127), 32);  // 16384 * 127 / 65535 = 31.75
    EXPECT_EQ(ToDeviceVolume(0xFFFF, -3072, 0), 0);
    EXPECT_EQ(ToDeviceVolume(0, -3072, 0), -3072);
    EXPECT_EQ(ToDeviceVolume(32768, -3072, 0), -1536);
    EXPECT_EQ(ToDeviceVolume(500, 5, 5), 5);
    EXPECT_EQ(FromDeviceVolume(127, 0, 127), 65535u);
    EXPECT_EQ(FromDeviceVolume(-9999, -3072, 0), 0u);
    for (long raw = 0; raw <= 127; ++raw)
        EXPECT_EQ(ToDeviceVolume(FromDeviceVolume(raw, 0, 127), 0, 127), raw);
    EXPECT_EQ(VolumeSteps(0, 127), 128u);
    EXPECT_EQ(VolumeSteps(-100000, 100000), 65536u);
}
