#pragma once

#include "platform/InputMixer.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

// A scripted mixer for a simulated sound input: lines and controls as the
// test sets them up, every value set recorded. Shared by the handles that
// SimSoundSystem::openMixer gives out.
class SimInputMixer final : public InputMixer {
public:
    struct Set {
        std::uint32_t controlId;
        std::vector<std::uint32_t> values;
    };

    // The usual set-up: a wave-input destination (id 1) with `sources`
    // sources of which source 0 is the microphone (`micChannels`), and on
    // the destination the controls "Volume" (0..65535), "Mute", "AGC" and a
    // "Mux" selecting among the sources.
    static SimInputMixer typical(const std::string& deviceName, unsigned micChannels = 2, unsigned sources = 2);

    MmResult lineByComponent(std::uint32_t componentType, MixerLine& out) override;
    MmResult sourceLine(std::uint32_t destinationId, unsigned index, MixerLine& out) override;
    MmResult lineControls(std::uint32_t lineId, std::vector<MixerControl>& out) override;
    MmResult controlByType(std::uint32_t lineId, std::uint32_t type, MixerControl& out) override;
    MmResult setControl(std::uint32_t controlId, unsigned channels, const std::vector<std::uint32_t>& values) override;

    // Scripting (before the mixer is in use).
    MixerLine destination;
    std::vector<MixerLine> sources;
    std::map<std::uint32_t, std::vector<MixerControl>> controls;  // by line id
    bool refuseOpen = false;

    // What was set, in order.
    std::vector<Set> setLog() const;
    // The last values set on a control, empty when never set.
    std::vector<std::uint32_t> valuesOf(std::uint32_t controlId) const;
    // The last value set on the named control, -1 when never set.
    long lastValue(const std::string& controlName) const;
    int openHandles() const;

    // Kept by the handles SimSoundSystem::openMixer gives out.
    void handleOpened();
    void handleClosed();

    SimInputMixer() = default;
    SimInputMixer(const SimInputMixer& other);
    SimInputMixer& operator=(const SimInputMixer&) = delete;

private:
    const MixerControl* findControl(std::uint32_t controlId) const;

    mutable std::mutex mutex_;
    std::vector<Set> log_;
    int openHandles_ = 0;
};

}  // namespace platform
