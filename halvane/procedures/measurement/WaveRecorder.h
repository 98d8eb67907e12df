#pragma once

#include "halvane/procedures/measurement/IMeasurementRecorder.h"
#include "halvane/signal/AudioSamplerWave.h"

namespace halvane::procedures {

// The program's recorder: AudioSampler::Wave on a sound system.
class WaveRecorder final : public IMeasurementRecorder {
public:
    explicit WaveRecorder(platform::SoundSystem& sound = platform::systemSoundSystem(),
                          platform::Clock& clock = platform::systemClock())
        : wave_(sound, clock) {}

    bool FindMicrophone(platform::Event* signal) override { return wave_.FindMicrophone(signal); }
    bool Open() override { return wave_.Open(); }
    bool IsOpen() const override { return wave_.IsOpen(); }
    bool IsMixerOpen() const override;
    bool HasVolumeControl() const override { return wave_.HasVolumeControl(); }
    void SetLevel(std::uint32_t level) override { wave_.SetLevel(level); }
    bool Start() override { return wave_.Start(); }
    bool WaitForData(platform::Event* signal) override { return wave_.WaitForData(signal); }
    bool StopAndReport(std::vector<double>& samples, double& largest, double& smallest) override {
        return wave_.StopAndReport(samples, largest, smallest);
    }
    void Close() override { wave_.Close(); }
    int BitsPerSample() const override;
    int SampleRate() const override;

    signal::AudioSampler::Wave& Wave() { return wave_; }

private:
    mutable signal::AudioSampler::Wave wave_;  // its mixer query is not const
};

}  // namespace halvane::procedures
