#include "halvane/signal/AcceptedMicrophones.h"

namespace halvane::signal::AudioSampler {

bool IsAcceptedMicrophone(const std::string& deviceName) {
    for (const char* accepted : AcceptedMicrophoneNames)
        if (deviceName.find(accepted) != std::string::npos) return true;
    return false;
}

bool FindAcceptedMicrophone(platform::SoundSystem& sound, unsigned& deviceIndex, std::string& deviceName) {
    const unsigned count = sound.inputDeviceCount();
    for (unsigned i = 0; i < count; ++i) {
        std::string name;
        if (sound.inputDeviceName(i, name) != platform::mmresult::NoError) continue;
        if (IsAcceptedMicrophone(name)) {
            deviceIndex = i;
            deviceName = name;
            return true;
        }
    }
    deviceIndex = 0;
    deviceName.clear();
    return false;
}

}  // namespace halvane::signal::AudioSampler
