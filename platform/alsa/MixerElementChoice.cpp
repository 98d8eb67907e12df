#include "platform/alsa/MixerElementChoice.h"

namespace platform::alsa {

namespace {
bool holds(const std::string& name, const char* part) { return name.find(part) != std::string::npos; }
}  // namespace

MixerElementChoice ChooseMixerElements(const std::vector<MixerElementInfo>& elements) {
    MixerElementChoice c;
    int named = -1, mic = -1, first = -1;
    for (int i = 0; i < static_cast<int>(elements.size()); ++i) {
        const MixerElementInfo& e = elements[static_cast<std::size_t>(i)];
        if (!e.active) continue;
        if (e.captureVolume) {
            if (named < 0 && e.name == "Capture") named = i;
            if (mic < 0 && holds(e.name, "Mic")) mic = i;
            if (first < 0) first = i;
        }
        if (c.agc < 0 && holds(e.name, "Auto Gain") && (e.captureSwitch || e.playbackSwitch)) c.agc = i;
        if (c.source < 0 && e.enumerated && (e.name == "Capture Source" || e.name == "Input Source")) c.source = i;
    }
    c.volume = named >= 0 ? named : (mic >= 0 ? mic : first);
    if (c.volume >= 0 && elements[static_cast<std::size_t>(c.volume)].captureSwitch) c.mute = c.volume;
    return c;
}

bool IsMicrophoneSource(const std::vector<std::string>& sourceNames, unsigned index) {
    if (index >= sourceNames.size()) return false;
    bool anyMic = false;
    for (const std::string& n : sourceNames) anyMic = anyMic || holds(n, "Mic");
    return anyMic ? holds(sourceNames[index], "Mic") : index == 0;
}

}  // namespace platform::alsa
