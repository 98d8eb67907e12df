#pragma once

#include "platform/InputMixer.h"

#include <memory>
#include <string>

namespace platform::alsa {

// The mixer of a sound card through ALSA's simple mixer, presented as one
// wave-input destination line (id 1) whose sources are the card's capture
// sources, with these controls on the destination:
// - "Volume": the capture-volume element ("Capture" first, else one whose
//   name holds "Mic", else the first with a capture volume), 0..65535;
// - "Mute": that element's capture switch, inverted;
// - "AGC": a switch whose name holds "Auto Gain";
// - "Capture Source": the enumerated "Capture Source" or "Input Source",
//   one item per source.
class AlsaInputMixer final : public InputMixer {
public:
    ~AlsaInputMixer() override;

    // `card` as ALSA names its control device ("hw:CARD=Mic").
    static MmResult open(const std::string& card, const std::string& cardName, std::unique_ptr<AlsaInputMixer>& out);

    MmResult lineByComponent(std::uint32_t componentType, MixerLine& out) override;
    MmResult sourceLine(std::uint32_t destinationId, unsigned index, MixerLine& out) override;
    MmResult lineControls(std::uint32_t lineId, std::vector<MixerControl>& out) override;
    MmResult controlByType(std::uint32_t lineId, std::uint32_t type, MixerControl& out) override;
    MmResult setControl(std::uint32_t controlId, unsigned channels, const std::vector<std::uint32_t>& values) override;

private:
    struct Elements;
    AlsaInputMixer();
    std::vector<MixerControl> controls() const;

    std::unique_ptr<Elements> e_;
    std::string cardName_;
};

}  // namespace platform::alsa
