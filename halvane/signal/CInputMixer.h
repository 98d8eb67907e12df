#pragma once

#include "platform/InputMixer.h"
#include "platform/SoundSystem.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace halvane::signal {

// The mixer side of one open sound input: the microphone's channels, the
// wave-input destination's volume control and its boolean controls.
class CInputMixer {
public:
    // Opens the input's mixer and reads the microphone line, the wave-input
    // destination (whose sources must include `sourceIndex`) and its volume
    // control. On any failure the object stays unopened and holds no mixer.
    CInputMixer(platform::SoundSystem& sound, const platform::SoundInput& input, unsigned sourceIndex);
    ~CInputMixer();
    CInputMixer(const CInputMixer&) = delete;
    CInputMixer& operator=(const CInputMixer&) = delete;

    bool IsOpened() const { return opened_; }
    bool HasVolume() const { return hasVolume_; }
    std::int64_t VolumeMinimum() const { return volumeMin_; }
    std::int64_t VolumeMaximum() const { return volumeMax_; }
    std::uint32_t VolumeSteps() const { return volumeSteps_; }
    unsigned MicrophoneChannels() const { return micChannels_; }

    // Sets every microphone channel of the volume control; needs a volume
    // control and minimum <= level <= maximum.
    bool SetInputLevel(std::uint32_t level);

    // Sets every boolean control of the line with that name (case ignored):
    // a multiple-item control selects this mixer's source, any other gets
    // `value` on each channel. False when the mixer is not opened, no
    // control has the name, or the system refused one.
    bool SetBooleanControl(const std::string& name, std::uint32_t value);

    // The source of the input's wave-input destination to record from: on
    // newer systems the first (source 0); on older ones the first microphone
    // source whose target name is the device's name. None without a
    // destination or a passing source.
    static std::optional<unsigned> FindMixerSource(platform::SoundSystem& sound, const platform::SoundInput& input,
                                                   const std::string& deviceName, bool newerSystem);

    // This platform counts as a newer system.
    static bool IsVistaOrLater() { return true; }

private:
    bool opened_ = false;
    bool hasVolume_ = false;
    std::uint32_t volumeControlId_ = 0;
    unsigned micChannels_ = 0;
    unsigned controlCount_ = 0;
    std::uint32_t lineId_ = 0;
    unsigned sourceIndex_ = 0;
    std::unique_ptr<platform::InputMixer> mixer_;
    std::int64_t volumeMin_ = -1;
    std::int64_t volumeMax_ = -1;
    std::uint32_t volumeSteps_ = 0;
};

}  // namespace halvane::signal
