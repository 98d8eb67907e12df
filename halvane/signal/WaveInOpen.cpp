#include "halvane/signal/WaveInOpen.h"

namespace halvane::signal {

using platform::SoundSystem;
using platform::WaveFormat;
namespace mm = platform::mmresult;

}  // namespace halvane::signal

namespace halvane::signal::AudioSampler {

platform::MmResult OpenWaveIn(platform::SoundSystem& sound, unsigned deviceIndex, platform::WaveFormat& format,
                              platform::WaveInProc proc, std::uintptr_t instance,
                              std::unique_ptr<platform::SoundInput>& input) {
    const std::uint32_t flags = SoundSystem::CallbackFunction | SoundSystem::FormatDirect;
    platform::MmResult r = sound.openInput(deviceIndex, format, proc, instance, flags, input);
    if (r != mm::NoError) {
        const std::uint16_t tag = format.formatTag;
        const std::uint16_t extra = format.extraSize;
        format.formatTag = WaveFormat::TagPcm;
        format.extraSize = 0;
        r = sound.openInput(deviceIndex, format, proc, instance, flags, input);
        format.formatTag = tag;
        format.extraSize = extra;
    }
    if (r != mm::NoError) input.reset();
    return r;
}

InputMixerSetup SetUpInputMixer(platform::SoundSystem& sound, const platform::SoundInput& input,
                                const std::string& deviceName, std::optional<std::uint32_t> level) {
    InputMixerSetup setup;
    setup.level = level.value_or(0);
    const auto source = CInputMixer::FindMixerSource(sound, input, deviceName, CInputMixer::IsVistaOrLater());
    if (source) {
        auto mixer = std::make_unique<CInputMixer>(sound, input, *source);
        if (mixer->IsOpened()) setup.mixer = std::move(mixer);
    }
    setup.levelFixed = !setup.mixer || !setup.mixer->HasVolume();
    if (setup.mixer) {
        if (!setup.levelFixed) {
            setup.level = level.value_or(static_cast<std::uint32_t>(setup.mixer->VolumeMaximum()));
            setup.mixer->SetInputLevel(setup.level);
        }
        // Automatic gain stays on as the measurement has always run with it,
        // doubtful as that is for a measurement microphone: the level checks
        // of the procedure judge the recorded level, not the mixer setting.
        setup.mixer->SetBooleanControl("AGC", 1);
        setup.mixer->SetBooleanControl("Volume", 0);
        setup.mixer->SetBooleanControl("Mute", 0);
    }
    return setup;
}

}  // namespace halvane::signal::AudioSampler
