#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform::alsa {

// What the simple mixer tells about one element of a card.
struct MixerElementInfo {
    std::string name;
    bool active = true;
    bool captureVolume = false;
    bool captureSwitch = false;
    bool playbackSwitch = false;
    bool enumerated = false;
};

// The elements behind the input mixer's controls, as indices into the
// card's element list (-1: none):
// - volume: an element with a capture volume named "Capture", else the first
//   whose name holds "Mic", else the first with a capture volume at all;
// - mute: the volume element's own capture switch (inverted);
// - agc: the first switch (capture or playback) whose name holds "Auto Gain";
// - source: the enumerated "Capture Source" or "Input Source".
// Inactive elements are passed over.
struct MixerElementChoice {
    int volume = -1;
    int mute = -1;
    int agc = -1;
    int source = -1;
};

MixerElementChoice ChooseMixerElements(const std::vector<MixerElementInfo>& elements);

// Whether source `index` of these capture sources is the microphone: a
// source named for a microphone ("Mic") is one; when none is, the first
// source is taken for it (a microphone's own card has no other).
bool IsMicrophoneSource(const std::vector<std::string>& sourceNames, unsigned index);

}  // namespace platform::alsa
