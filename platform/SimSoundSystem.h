#pragma once

#include "platform/Clock.h"
#include "platform/SimInputDevice.h"
#include "platform/SoundSystem.h"

#include <memory>
#include <mutex>
#include <vector>

namespace platform {

// Scripted sound inputs for tests and the simulator: named devices with the
// formats they accept, fed by a SampleSource, paced fast or in real time on
// the given clock. A device is held by one open input at a time. Every open
// attempt is logged with its format.
class SimSoundSystem final : public SoundSystem {
public:
    struct OpenAttempt {
        unsigned deviceId;
        WaveFormat format;
        std::uint32_t flags;
        MmResult result;
    };

    explicit SimSoundSystem(Clock& clock = systemClock());
    ~SimSoundSystem() override;

    // Returns the device's index.
    unsigned addDevice(SimInputDevice device);

    unsigned inputDeviceCount() override;
    MmResult inputDeviceName(unsigned deviceId, std::string& name) override;
    MmResult openInput(unsigned deviceId, const WaveFormat& format, WaveInProc proc, std::uintptr_t instance,
                       std::uint32_t flags, std::unique_ptr<SoundInput>& out) override;
    MmResult openMixer(const SoundInput& input, std::unique_ptr<InputMixer>& out) override;

    std::vector<OpenAttempt> openLog() const;
    // Inputs of this device open now.
    int openCount(unsigned deviceId) const;
    // Frames the device has delivered over all its opens.
    std::int64_t framesDelivered(unsigned deviceId) const;

    struct DeviceState;  // shared with the device's capture streams

private:
    Clock& clock_;
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<DeviceState>> devices_;
    std::vector<OpenAttempt> log_;
};

}  // namespace platform
