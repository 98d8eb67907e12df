#pragma once

#include "halvane/signal/AudioSamplerBigWaveBuffer.h"
#include "halvane/signal/CInputMixer.h"
#include "platform/Clock.h"
#include "platform/Event.h"
#include "platform/SoundSystem.h"
#include "platform/WaveFormat.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace halvane::signal::AudioSampler {

// The one-take recorder of the measurement: finds the measurement
// microphone among the sound inputs, opens it in 16-bit stereo at 48 kHz,
// sets up its mixer, records one take of 196608 frames into one buffer and
// hands back the left channel as doubles. Every operation reports failure
// as false and throws nothing; the caller chooses what the user sees.
class Wave {
public:
    static constexpr std::size_t TakeValues = 0x60000;  // 196608 stereo frames
    static constexpr std::int64_t DefaultEventWaitMs = 54613;
    static constexpr std::int64_t DefaultCheckPauseMs = 10922;
    static constexpr int ChecksPerHeader = 4;

    explicit Wave(platform::SoundSystem& sound = platform::systemSoundSystem(),
                  platform::Clock& clock = platform::systemClock());
    virtual ~Wave();
    Wave(const Wave&) = delete;
    Wave& operator=(const Wave&) = delete;

    // Stores the event the capture callback sets for each filled buffer and
    // picks the lowest-index accepted microphone.
    bool FindMicrophone(platform::Event* signal);
    bool Open();
    void SetLevel(std::uint32_t level);
    bool Start();
    // Waits for the filled buffers: one event wait per header, then a few
    // timed checks of the headers still missing.
    bool WaitForData(platform::Event* event);
    bool StopAndReport(std::vector<double>& out, double& largest, double& smallest);
    void Close();

    void SetUseMixer(bool use) { useMixer_ = use; }
    bool UseMixer() const { return useMixer_; }
    // The waits of WaitForData, in milliseconds of the recorder's clock.
    void SetWaitTimes(std::int64_t eventWaitMs, std::int64_t checkPauseMs);

    unsigned DeviceIndex() const { return deviceIndex_; }
    const std::string& DeviceName() const { return deviceName_; }
    platform::MmResult LastOpenResult() const { return lastOpenResult_; }
    bool IsOpen() const { return input_ != nullptr; }
    std::uint32_t InputLevel() const { return level_; }
    CInputMixer* Mixer() { return mixer_.get(); }
    // The open input has a volume control: the input level applies. False
    // when the device gives no mixer or a mixer without volume; it then
    // records at the level the device gives.
    bool HasVolumeControl() const { return mixer_ != nullptr && mixer_->HasVolume(); }
    const platform::WaveFormat& Format() const { return format_; }

private:
    static void waveInProc(platform::SoundInput* input, std::uint32_t message, std::uintptr_t instance,
                           platform::WaveHeader* header);
    void SetExtensibleFormat();

    platform::SoundSystem& sound_;
    platform::Clock& clock_;
    platform::Event* signal_ = nullptr;
    unsigned deviceIndex_ = 0;
    std::string deviceName_;
    std::unique_ptr<platform::SoundInput> input_;
    platform::WaveFormat format_;
    BigWaveBuffer buffer_;
    std::unique_ptr<CInputMixer> mixer_;
    std::uint32_t level_ = 0xFFFF;
    bool useMixer_ = true;
    bool levelFixed_ = false;  // opened with the mixer in use, but without a volume control
    platform::MmResult lastOpenResult_ = platform::mmresult::NoError;
    std::int64_t eventWaitMs_ = DefaultEventWaitMs;
    std::int64_t checkPauseMs_ = DefaultCheckPauseMs;
};

}  // namespace halvane::signal::AudioSampler
