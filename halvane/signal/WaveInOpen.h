#pragma once

#include "halvane/signal/CInputMixer.h"
#include "platform/MmResult.h"
#include "platform/SoundInput.h"
#include "platform/SoundSystem.h"
#include "platform/WaveFormat.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace halvane::signal::AudioSampler {

// The open sequence both recorders share: the device with the format as
// given (a function callback, no conversion by the system); when that
// fails, once more with the plain PCM tag and no extra bytes (some drivers
// take only that tag for the same samples), the format restored afterwards.
// On failure `input` is empty; the result is the last open's.
platform::MmResult OpenWaveIn(platform::SoundSystem& sound, unsigned deviceIndex, platform::WaveFormat& format,
                              platform::WaveInProc proc, std::uintptr_t instance,
                              std::unique_ptr<platform::SoundInput>& input);

// The mixer side of an open input, as both recorders set it up: the source
// line and its mixer, the input level on its volume control (`level`, or
// the control's maximum when none is given), then its boolean controls
// ("AGC" on, "Volume" and "Mute" off). Without a mixer, or without a volume
// control on it, the input records at the level the device gives: `mixer`
// is then the mixer without volume (its boolean controls set) or none, and
// `levelFixed` is true.
struct InputMixerSetup {
    std::unique_ptr<CInputMixer> mixer;
    bool levelFixed = false;
    std::uint32_t level = 0;  // the level applied (unchanged when fixed)
};
InputMixerSetup SetUpInputMixer(platform::SoundSystem& sound, const platform::SoundInput& input,
                                const std::string& deviceName, std::optional<std::uint32_t> level);

}  // namespace halvane::signal::AudioSampler
