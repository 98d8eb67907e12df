#pragma once

#include "platform/SoundSystem.h"

#include <mutex>
#include <string>
#include <vector>

namespace platform::alsa {

// The machine's capture devices through ALSA, in this order:
// 1. every sound card with a capture PCM, named by its card name and
//    recorded through "plughw:CARD=<id>,DEV=<n>" (format and channel
//    conversion allowed, the rate never resampled under FormatDirect);
// 2. every PCM of the configuration that is not a card's own ("CARD=" in its
//    name) and can capture, named by the first line of its description hint:
//    how a user-defined PCM (a file, a network source) presents itself as a
//    named input.
// Only cards have a mixer.
class AlsaSoundSystem final : public SoundSystem {
public:
    struct Device {
        std::string name;     // as reported (at most MaxNameLength characters)
        std::string pcm;      // the ALSA PCM to open
        std::string card;     // "hw:CARD=<id>", empty when not a card
        std::string longName; // the card's long name or the full description
    };

    unsigned inputDeviceCount() override;
    MmResult inputDeviceName(unsigned deviceId, std::string& name) override;
    MmResult openInput(unsigned deviceId, const WaveFormat& format, WaveInProc proc, std::uintptr_t instance,
                       std::uint32_t flags, std::unique_ptr<SoundInput>& out) override;
    MmResult openMixer(const SoundInput& input, std::unique_ptr<InputMixer>& out) override;

    // The list as of the last count (counted first when never counted).
    std::vector<Device> devices();
    // The ALSA text of the last failed open.
    std::string lastErrorDetail() const;

    // Reads the list from ALSA now.
    static std::vector<Device> enumerate();

private:
    void ensureListed();

    mutable std::mutex mutex_;
    bool listed_ = false;
    std::vector<Device> devices_;
    std::string lastError_;
};

}  // namespace platform::alsa
