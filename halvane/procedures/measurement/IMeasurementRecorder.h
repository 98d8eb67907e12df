#pragma once

#include "platform/Event.h"

#include <cstdint>
#include <vector>

namespace halvane::procedures {

// The one-take recorder as the measurement job drives it (the measurement
// microphone through the sound input, AudioSampler::Wave in the program).
// Every operation reports failure as false and throws nothing.
class IMeasurementRecorder {
public:
    virtual ~IMeasurementRecorder() = default;
    // Picks the measurement microphone; `signal` is set by the capture
    // thread for each filled buffer.
    virtual bool FindMicrophone(platform::Event* signal) = 0;
    virtual bool Open() = 0;
    virtual bool IsOpen() const = 0;
    virtual bool IsMixerOpen() const = 0;
    // The open input has a volume control. Without one the recorder
    // records at the level the device gives (the input level is not set).
    virtual bool HasVolumeControl() const { return true; }
    // The input level (mixer volume, 0..65535) for this and later takes.
    virtual void SetLevel(std::uint32_t level) = 0;
    virtual bool Start() = 0;
    virtual bool WaitForData(platform::Event* signal) = 0;
    // Stops the take and hands back its samples (the microphone's channel).
    virtual bool StopAndReport(std::vector<double>& samples, double& largest, double& smallest) = 0;
    virtual void Close() = 0;
    virtual int BitsPerSample() const = 0;
    virtual int SampleRate() const = 0;
};

}  // namespace halvane::procedures
