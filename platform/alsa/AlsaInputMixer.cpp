#include "platform/alsa/AlsaInputMixer.h"

#include "platform/alsa/MixerElementChoice.h"
#include "platform/alsa/VolumeScale.h"

#include <alsa/asoundlib.h>

namespace platform::alsa {

namespace {
constexpr std::uint32_t kDestinationId = 1;
constexpr std::uint32_t kSourceIdBase = 0x100;
constexpr std::uint32_t kVolumeId = 1;
constexpr std::uint32_t kMuteId = 2;
constexpr std::uint32_t kAgcId = 3;
constexpr std::uint32_t kSourceSelectId = 4;
}  // namespace

struct AlsaInputMixer::Elements {
    snd_mixer_t* mixer = nullptr;
    snd_mixer_elem_t* volume = nullptr;  // capture volume (and its switch, inverted mute)
    bool volumeMono = false;
    long rawMin = 0, rawMax = 0;
    snd_mixer_elem_t* mute = nullptr;
    snd_mixer_elem_t* agc = nullptr;
    snd_mixer_elem_t* source = nullptr;  // enumerated capture source
    std::vector<std::string> sourceNames;

    ~Elements() {
        if (mixer != nullptr) snd_mixer_close(mixer);
    }
};

AlsaInputMixer::AlsaInputMixer() : e_(std::make_unique<Elements>()) {}
AlsaInputMixer::~AlsaInputMixer() = default;

MmResult AlsaInputMixer::open(const std::string& card, const std::string& cardName,
                              std::unique_ptr<AlsaInputMixer>& out) {
    std::unique_ptr<AlsaInputMixer> m(new AlsaInputMixer());
    Elements& e = *m->e_;
    if (snd_mixer_open(&e.mixer, 0) < 0) {
        e.mixer = nullptr;
        return mmresult::NoDriver;
    }
    if (snd_mixer_attach(e.mixer, card.c_str()) < 0 || snd_mixer_selem_register(e.mixer, nullptr, nullptr) < 0 ||
        snd_mixer_load(e.mixer) < 0)
        return mmresult::NoDriver;

    std::vector<snd_mixer_elem_t*> found;
    std::vector<MixerElementInfo> infos;
    for (snd_mixer_elem_t* el = snd_mixer_first_elem(e.mixer); el != nullptr; el = snd_mixer_elem_next(el)) {
        MixerElementInfo info;
        const char* name = snd_mixer_selem_get_name(el);
        info.name = name != nullptr ? name : "";
        info.active = snd_mixer_selem_is_active(el) != 0;
        info.captureVolume = snd_mixer_selem_has_capture_volume(el) != 0;
        info.captureSwitch = snd_mixer_selem_has_capture_switch(el) != 0;
        info.playbackSwitch = snd_mixer_selem_has_playback_switch(el) != 0;
        info.enumerated = snd_mixer_selem_is_enumerated(el) != 0;
        infos.push_back(std::move(info));
        found.push_back(el);
    }
    const MixerElementChoice choice = ChooseMixerElements(infos);
    const auto pick = [&](int i) { return i >= 0 ? found[static_cast<std::size_t>(i)] : nullptr; };
    e.volume = pick(choice.volume);
    e.mute = pick(choice.mute);
    e.agc = pick(choice.agc);
    e.source = pick(choice.source);
    if (e.volume != nullptr) {
        snd_mixer_selem_get_capture_volume_range(e.volume, &e.rawMin, &e.rawMax);
        e.volumeMono = snd_mixer_selem_is_capture_mono(e.volume) != 0;
    }
    if (e.source != nullptr) {
        const int items = snd_mixer_selem_get_enum_items(e.source);
        for (int i = 0; i < items; ++i) {
            char text[64] = {};
            snd_mixer_selem_get_enum_item_name(e.source, static_cast<unsigned>(i), sizeof text, text);
            e.sourceNames.emplace_back(text);
        }
    }
    if (e.sourceNames.empty()) e.sourceNames.emplace_back("Mic");
    m->cardName_ = cardName;
    out = std::move(m);
    return mmresult::NoError;
}

std::vector<MixerControl> AlsaInputMixer::controls() const {
    std::vector<MixerControl> list;
    if (e_->volume != nullptr)
        list.push_back({kVolumeId, MixerControl::Volume, "Volume", e_->volumeMono, false, 0, 0, 65535,
                        VolumeSteps(e_->rawMin, e_->rawMax)});
    if (e_->mute != nullptr) list.push_back({kMuteId, MixerControl::Mute, "Mute", true, false, 0, 0, 1, 0});
    if (e_->agc != nullptr) list.push_back({kAgcId, MixerControl::Boolean, "AGC", true, false, 0, 0, 1, 0});
    if (e_->source != nullptr)
        list.push_back({kSourceSelectId, MixerControl::Mux, "Capture Source", true, false,
                        static_cast<unsigned>(e_->sourceNames.size()), 0, 1, 0});
    return list;
}

MmResult AlsaInputMixer::lineByComponent(std::uint32_t componentType, MixerLine& out) {
    if (componentType == MixerLine::WaveInDestination) {
        out = {kDestinationId, componentType, 2, static_cast<unsigned>(e_->sourceNames.size()),
               static_cast<unsigned>(controls().size()), cardName_};
        return mmresult::NoError;
    }
    for (unsigned i = 0; i < e_->sourceNames.size(); ++i) {
        MixerLine line;
        sourceLine(kDestinationId, i, line);
        if (line.componentType == componentType) {
            out = line;
            return mmresult::NoError;
        }
    }
    return mmresult::InvalidParam;
}

MmResult AlsaInputMixer::sourceLine(std::uint32_t destinationId, unsigned index, MixerLine& out) {
    if (destinationId != kDestinationId || index >= e_->sourceNames.size()) return mmresult::InvalidParam;
    const bool mic = IsMicrophoneSource(e_->sourceNames, index);
    out = {kSourceIdBase + index, mic ? MixerLine::Microphone : MixerLine::LineIn,
           e_->volumeMono ? 1u : 2u, 0, 0, cardName_};
    return mmresult::NoError;
}

MmResult AlsaInputMixer::lineControls(std::uint32_t lineId, std::vector<MixerControl>& out) {
    if (lineId != kDestinationId) return mmresult::InvalidParam;
    out = controls();
    return mmresult::NoError;
}

MmResult AlsaInputMixer::controlByType(std::uint32_t lineId, std::uint32_t type, MixerControl& out) {
    if (lineId != kDestinationId) return mmresult::InvalidParam;
    for (const MixerControl& c : controls())
        if (c.type == type) {
            out = c;
            return mmresult::NoError;
        }
    return mmresult::InvalidParam;
}

MmResult AlsaInputMixer::setControl(std::uint32_t controlId, unsigned channels,
                                    const std::vector<std::uint32_t>& values) {
    if (channels == 0 || values.empty()) return mmresult::InvalidParam;
    int err = 0;
    switch (controlId) {
    case kVolumeId: {
        if (e_->volume == nullptr || values.size() != channels) return mmresult::InvalidParam;
        if (e_->volumeMono || channels == 1) {
            err = snd_mixer_selem_set_capture_volume_all(e_->volume, ToDeviceVolume(values[0], e_->rawMin, e_->rawMax));
        } else {
            const snd_mixer_selem_channel_id_t ids[2] = {SND_MIXER_SCHN_FRONT_LEFT, SND_MIXER_SCHN_FRONT_RIGHT};
            for (unsigned c = 0; c < 2 && err >= 0; ++c)
                err = snd_mixer_selem_set_capture_volume(e_->volume, ids[c],
                                                         ToDeviceVolume(values[c], e_->rawMin, e_->rawMax));
        }
        break;
    }
    case kMuteId:
        if (e_->mute == nullptr) return mmresult::InvalidParam;
        err = snd_mixer_selem_set_capture_switch_all(e_->mute, values[0] != 0 ? 0 : 1);
        break;
    case kAgcId:
        if (e_->agc == nullptr) return mmresult::InvalidParam;
        err = snd_mixer_selem_has_capture_switch(e_->agc)
                  ? snd_mixer_selem_set_capture_switch_all(e_->agc, values[0] != 0)
                  : snd_mixer_selem_set_playback_switch_all(e_->agc, values[0] != 0);
        break;
    case kSourceSelectId: {
        if (e_->source == nullptr || values.size() != channels * e_->sourceNames.size()) return mmresult::InvalidParam;
        for (unsigned item = 0; item < e_->sourceNames.size(); ++item)
            if (values[item * channels] != 0) {
                err = snd_mixer_selem_set_enum_item(e_->source, SND_MIXER_SCHN_MONO, item);
                break;
            }
        break;
    }
    default:
        return mmresult::InvalidParam;
    }
    return err < 0 ? mmresult::Error : mmresult::NoError;
}

}  // namespace platform::alsa
