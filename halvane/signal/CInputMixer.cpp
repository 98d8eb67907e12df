#include "halvane/signal/CInputMixer.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace halvane::signal {

using platform::MixerControl;
using platform::MixerLine;
using platform::mmresult::NoError;

namespace {
bool equalIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}
}  // namespace

CInputMixer::CInputMixer(platform::SoundSystem& sound, const platform::SoundInput& input, unsigned sourceIndex)
    : sourceIndex_(sourceIndex) {
    std::unique_ptr<platform::InputMixer> mixer;
    if (sound.openMixer(input, mixer) != NoError || !mixer) return;
    MixerLine mic;
    if (mixer->lineByComponent(MixerLine::Microphone, mic) != NoError) return;
    if (mic.channels != 1 && mic.channels != 2) return;
    MixerLine destination;
    if (mixer->lineByComponent(MixerLine::WaveInDestination, destination) != NoError) return;
    if (sourceIndex >= destination.connections) return;
    micChannels_ = mic.channels;
    controlCount_ = destination.controls;
    // A one-channel microphone's controls sit on the whole line id, a
    // two-channel one's on its low 16 bits.
    lineId_ = mic.channels == 1 ? destination.lineId : (destination.lineId & 0xFFFFu);
    MixerControl volume;
    if (mixer->controlByType(lineId_, MixerControl::Volume, volume) == NoError && !volume.disabled) {
        hasVolume_ = true;
        volumeControlId_ = volume.controlId;
        volumeMin_ = volume.minimum;
        volumeMax_ = volume.maximum;
        volumeSteps_ = volume.steps;
    }
    mixer_ = std::move(mixer);
    opened_ = true;
}

CInputMixer::~CInputMixer() = default;

bool CInputMixer::SetInputLevel(std::uint32_t level) {
    if (!opened_ || !hasVolume_) return false;
    if (static_cast<std::int64_t>(level) < volumeMin_ || static_cast<std::int64_t>(level) > volumeMax_) return false;
    const std::vector<std::uint32_t> values(micChannels_, level);
    return mixer_->setControl(volumeControlId_, micChannels_, values) == NoError;
}

bool CInputMixer::SetBooleanControl(const std::string& name, std::uint32_t value) {
    if (!opened_) return false;
    std::vector<MixerControl> controls;
    if (mixer_->lineControls(lineId_, controls) != NoError) return false;
    bool any = false;
    bool allAccepted = true;
    for (const MixerControl& c : controls) {
        if (!c.isBoolean() || !equalIgnoringCase(c.name, name)) continue;
        const unsigned channels = c.uniform ? 1u : micChannels_;
        std::vector<std::uint32_t> values;
        if (c.isMultipleItem()) {
            for (unsigned item = 0; item < c.items; ++item)
                for (unsigned ch = 0; ch < channels; ++ch) values.push_back(item == sourceIndex_ ? 1u : 0u);
        } else {
            values.assign(channels, value);
        }
        any = true;
        allAccepted = mixer_->setControl(c.controlId, channels, values) == NoError && allAccepted;
    }
    return any && allAccepted;
}

std::optional<unsigned> CInputMixer::FindMixerSource(platform::SoundSystem& sound, const platform::SoundInput& input,
                                                     const std::string& deviceName, bool newerSystem) {
    std::unique_ptr<platform::InputMixer> mixer;
    if (sound.openMixer(input, mixer) != NoError || !mixer) return std::nullopt;
    MixerLine destination;
    if (mixer->lineByComponent(MixerLine::WaveInDestination, destination) != NoError) return std::nullopt;
    for (unsigned i = 0; i < destination.connections; ++i) {
        MixerLine source;
        if (mixer->sourceLine(destination.lineId, i, source) != NoError) continue;
        if (newerSystem) return i;
        if (source.componentType == MixerLine::Microphone && source.targetName == deviceName) return i;
    }
    return std::nullopt;  // the mixer closes with `mixer`
}

}  // namespace halvane::signal
