#include "platform/SimInputMixer.h"

namespace platform {

SimInputMixer::SimInputMixer(const SimInputMixer& other)
    : InputMixer(), destination(other.destination), sources(other.sources), controls(other.controls),
      refuseOpen(other.refuseOpen) {}

SimInputMixer SimInputMixer::typical(const std::string& deviceName, unsigned micChannels, unsigned sourceCount) {
    SimInputMixer m;
    m.destination = {1, MixerLine::WaveInDestination, 2, sourceCount, 4, deviceName};
    for (unsigned i = 0; i < sourceCount; ++i) {
        const std::uint32_t type = i == 0 ? MixerLine::Microphone : MixerLine::LineIn;
        m.sources.push_back({0x100u + i, type, i == 0 ? micChannels : 2u, 0, 0, deviceName});
    }
    std::vector<MixerControl>& c = m.controls[1];
    c.push_back({10, MixerControl::Volume, "Volume", false, false, 0, 0, 65535, 65536});
    c.push_back({11, MixerControl::Mute, "Mute", true, false, 0, 0, 1, 0});
    c.push_back({12, MixerControl::Boolean, "AGC", true, false, 0, 0, 1, 0});
    c.push_back({13, MixerControl::Mux, "Mux", true, false, sourceCount, 0, 1, 0});
    return m;
}

MmResult SimInputMixer::lineByComponent(std::uint32_t componentType, MixerLine& out) {
    std::lock_guard lock(mutex_);
    if (destination.componentType == componentType) {
        out = destination;
        return mmresult::NoError;
    }
    for (const MixerLine& s : sources)
        if (s.componentType == componentType) {
            out = s;
            return mmresult::NoError;
        }
    return mmresult::InvalidParam;
}

MmResult SimInputMixer::sourceLine(std::uint32_t destinationId, unsigned index, MixerLine& out) {
    std::lock_guard lock(mutex_);
    if (destinationId != destination.lineId || index >= sources.size()) return mmresult::InvalidParam;
    out = sources[index];
    return mmresult::NoError;
}

MmResult SimInputMixer::lineControls(std::uint32_t lineId, std::vector<MixerControl>& out) {
    std::lock_guard lock(mutex_);
    auto it = controls.find(lineId);
    if (it == controls.end()) return mmresult::InvalidParam;
    out = it->second;
    return mmresult::NoError;
}

MmResult SimInputMixer::controlByType(std::uint32_t lineId, std::uint32_t type, MixerControl& out) {
    std::lock_guard lock(mutex_);
    auto it = controls.find(lineId);
    if (it == controls.end()) return mmresult::InvalidParam;
    for (const MixerControl& c : it->second)
        if (c.type == type) {
            out = c;
            return mmresult::NoError;
        }
    return mmresult::InvalidParam;
}

const MixerControl* SimInputMixer::findControl(std::uint32_t controlId) const {
    for (const auto& [line, list] : controls)
        for (const MixerControl& c : list)
            if (c.controlId == controlId) return &c;
    return nullptr;
}

MmResult SimInputMixer::setControl(std::uint32_t controlId, unsigned channels,
                                   const std::vector<std::uint32_t>& values) {
    std::lock_guard lock(mutex_);
    const MixerControl* c = findControl(controlId);
    if (c == nullptr || c->disabled) return mmresult::InvalidParam;
    const std::size_t expected = static_cast<std::size_t>(channels) * (c->items > 0 ? c->items : 1);
    if (channels == 0 || values.size() != expected) return mmresult::InvalidParam;
    for (std::uint32_t v : values)
        if (v < c->minimum || v > c->maximum) return mmresult::InvalidParam;
    log_.push_back({controlId, values});
    return mmresult::NoError;
}

std::vector<SimInputMixer::Set> SimInputMixer::setLog() const {
    std::lock_guard lock(mutex_);
    return log_;
}

std::vector<std::uint32_t> SimInputMixer::valuesOf(std::uint32_t controlId) const {
    std::lock_guard lock(mutex_);
    for (auto it = log_.rbegin(); it != log_.rend(); ++it)
        if (it->controlId == controlId) return it->values;
    return {};
}

long SimInputMixer::lastValue(const std::string& controlName) const {
    std::uint32_t id = 0;
    bool found = false;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [line, list] : controls)
            for (const MixerControl& c : list)
                if (c.name == controlName) {
                    id = c.controlId;
                    found = true;
                }
    }
    if (!found) return -1;
    const std::vector<std::uint32_t> v = valuesOf(id);
    return v.empty() ? -1 : static_cast<long>(v.front());
}

int SimInputMixer::openHandles() const {
    std::lock_guard lock(mutex_);
    return openHandles_;
}

void SimInputMixer::handleOpened() {
    std::lock_guard lock(mutex_);
    ++openHandles_;
}

void SimInputMixer::handleClosed() {
    std::lock_guard lock(mutex_);
    --openHandles_;
}

}  // namespace platform
