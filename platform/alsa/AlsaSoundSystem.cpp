#include "platform/alsa/AlsaSoundSystem.h"

#include "platform/alsa/AlsaCaptureStream.h"
#include "platform/alsa/AlsaInputMixer.h"

#include <alsa/asoundlib.h>

#include <cstdlib>
#include <string_view>

namespace platform::alsa {

namespace {

void addCards(std::vector<AlsaSoundSystem::Device>& out) {
    snd_ctl_card_info_t* info = nullptr;
    snd_pcm_info_t* pcmInfo = nullptr;
    snd_ctl_card_info_alloca(&info);
    snd_pcm_info_alloca(&pcmInfo);
    int card = -1;
    while (snd_card_next(&card) == 0 && card >= 0) {
        const std::string hw = "hw:" + std::to_string(card);
        snd_ctl_t* ctl = nullptr;
        if (snd_ctl_open(&ctl, hw.c_str(), 0) < 0) continue;
        if (snd_ctl_card_info(ctl, info) < 0) {
            snd_ctl_close(ctl);
            continue;
        }
        int dev = -1;
        int captureDev = -1;
        while (captureDev < 0 && snd_ctl_pcm_next_device(ctl, &dev) == 0 && dev >= 0) {
            snd_pcm_info_set_device(pcmInfo, static_cast<unsigned>(dev));
            snd_pcm_info_set_subdevice(pcmInfo, 0);
            snd_pcm_info_set_stream(pcmInfo, SND_PCM_STREAM_CAPTURE);
            if (snd_ctl_pcm_info(ctl, pcmInfo) >= 0) captureDev = dev;
        }
        if (captureDev >= 0) {
            const std::string id = snd_ctl_card_info_get_id(info);
            AlsaSoundSystem::Device d;
            d.name = TruncateDeviceName(snd_ctl_card_info_get_name(info));
            d.pcm = "plughw:CARD=" + id + ",DEV=" + std::to_string(captureDev);
            d.card = "hw:CARD=" + id;
            d.longName = snd_ctl_card_info_get_longname(info);
            out.push_back(std::move(d));
        }
        snd_ctl_close(ctl);
    }
}

std::string takeHint(void* hint, const char* id) {
    char* text = snd_device_name_get_hint(hint, id);
    if (text == nullptr) return {};
    std::string s(text);
    std::free(text);
    return s;
}

void addDefinedPcms(std::vector<AlsaSoundSystem::Device>& out) {
    void** hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0 || hints == nullptr) return;
    for (void** h = hints; *h != nullptr; ++h) {
        const std::string name = takeHint(*h, "NAME");
        const std::string ioid = takeHint(*h, "IOID");  // empty: both directions
        if (name.empty() || name == "null" || ioid == "Output") continue;
        if (name.find("CARD=") != std::string::npos) continue;  // a card's own, listed with the card
        const std::string desc = takeHint(*h, "DESC");
        AlsaSoundSystem::Device d;
        const std::string firstLine = desc.substr(0, desc.find('\n'));
        d.name = TruncateDeviceName(firstLine.empty() ? name : firstLine);
        d.pcm = name;
        d.longName = desc;
        out.push_back(std::move(d));
    }
    snd_device_name_free_hint(hints);
}

}  // namespace

std::vector<AlsaSoundSystem::Device> AlsaSoundSystem::enumerate() {
    std::vector<Device> list;
    addCards(list);
    addDefinedPcms(list);
    return list;
}

void AlsaSoundSystem::ensureListed() {
    if (!listed_) {
        devices_ = enumerate();
        listed_ = true;
    }
}

unsigned AlsaSoundSystem::inputDeviceCount() {
    std::vector<Device> list = enumerate();
    std::lock_guard lock(mutex_);
    devices_ = std::move(list);
    listed_ = true;
    return static_cast<unsigned>(devices_.size());
}

MmResult AlsaSoundSystem::inputDeviceName(unsigned deviceId, std::string& name) {
    std::lock_guard lock(mutex_);
    ensureListed();
    if (deviceId >= devices_.size()) return mmresult::BadDeviceId;
    name = devices_[deviceId].name;
    return mmresult::NoError;
}

std::vector<AlsaSoundSystem::Device> AlsaSoundSystem::devices() {
    std::lock_guard lock(mutex_);
    ensureListed();
    return devices_;
}

std::string AlsaSoundSystem::lastErrorDetail() const {
    std::lock_guard lock(mutex_);
    return lastError_;
}

MmResult AlsaSoundSystem::openInput(unsigned deviceId, const WaveFormat& format, WaveInProc proc,
                                    std::uintptr_t instance, std::uint32_t flags, std::unique_ptr<SoundInput>& out) {
    std::string pcm;
    {
        std::lock_guard lock(mutex_);
        ensureListed();
        if (deviceId >= devices_.size()) return mmresult::BadDeviceId;
        pcm = devices_[deviceId].pcm;
    }
    if (proc == nullptr || (flags & CallbackFunction) != CallbackFunction) return mmresult::InvalidFlag;
    std::unique_ptr<AlsaCaptureStream> stream;
    std::string detail;
    const MmResult r = AlsaCaptureStream::open(pcm, format, (flags & FormatDirect) != 0, stream, detail);
    {
        std::lock_guard lock(mutex_);
        lastError_ = detail;
    }
    if (r != mmresult::NoError) return r;
    out = std::make_unique<SoundInput>(deviceId, format, std::move(stream), proc, instance);
    return mmresult::NoError;
}

MmResult AlsaSoundSystem::openMixer(const SoundInput& input, std::unique_ptr<InputMixer>& out) {
    if (input.isClosed()) return mmresult::InvalidHandle;
    std::string card;
    std::string name;
    {
        std::lock_guard lock(mutex_);
        if (input.deviceId() >= devices_.size()) return mmresult::BadDeviceId;
        card = devices_[input.deviceId()].card;
        name = devices_[input.deviceId()].name;
    }
    if (card.empty()) return mmresult::NoDriver;
    std::unique_ptr<AlsaInputMixer> mixer;
    const MmResult r = AlsaInputMixer::open(card, name, mixer);
    if (r == mmresult::NoError) out = std::move(mixer);
    return r;
}

}  // namespace platform::alsa

namespace platform {

SoundSystem& systemSoundSystem() {
    static alsa::AlsaSoundSystem system;
    return system;
}

}  // namespace platform
