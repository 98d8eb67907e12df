#pragma once

#include "halvane/diagnostics/ThreadHandler.h"
#include "halvane/signal/AudioSampler2BigWaveBuffer.h"
#include "halvane/signal/AudioSampler2WaveCallback.h"
#include "halvane/signal/CInputMixer.h"
#include "platform/Clock.h"
#include "platform/Event.h"
#include "platform/SoundSystem.h"
#include "platform/WaveFormat.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace halvane::signal::AudioSampler2 {

// The continuous recorder of Quick Measure: mono 16-bit at 48 kHz into a
// ring of 16 buffers of 32768 samples. Each filled buffer is converted to
// doubles on the conversion worker, given back to the input at once and
// delivered to the client on the dispatcher thread, so neither the
// client's analysis nor the conversion ever runs on the capture thread.
// Every operation reports failure as false and throws nothing.
class Wave {
public:
    static constexpr int BufferCount = 16;
    // How long Terminate waits for the input to confirm its close, in
    // milliseconds of the recorder's clock.
    static constexpr std::int64_t CloseWaitMs = 5000;

    Wave(WaveCallback* client, bool useMixer, platform::SoundSystem& sound = platform::systemSoundSystem(),
         platform::Clock& clock = platform::systemClock());
    virtual ~Wave();
    Wave(const Wave&) = delete;
    Wave& operator=(const Wave&) = delete;

    bool FindMicrophone();
    bool Open();
    // Quick Measure's levels: 16384, 8192 or 4096.
    void SetLevel(std::uint32_t level);
    // Queues the whole ring and starts; on a recorder already streaming it
    // only starts.
    bool PrepareAndStart();
    bool Start();
    bool Stop();
    void Terminate();

    unsigned DeviceIndex() const { return deviceIndex_; }
    const std::string& DeviceName() const { return deviceName_; }
    platform::MmResult LastResult() const { return lastResult_; }
    bool IsOpen() const { return input_ != nullptr; }
    bool IsRunning() const { return running_.load(); }
    std::uint32_t InputLevel() const { return level_; }
    CInputMixer* Mixer() { return mixer_.get(); }
    // The open input has a volume control (see AudioSampler::Wave).
    bool HasVolumeControl() const { return mixer_ != nullptr && mixer_->HasVolume(); }
    const platform::WaveFormat& Format() const { return format_; }
    const BigWaveBuffer& Buffers() const { return buffers_; }

private:
    static void waveInProc(platform::SoundInput* input, std::uint32_t message, std::uintptr_t instance,
                           platform::WaveHeader* header);
    bool MixerReady();

    platform::SoundSystem& sound_;
    platform::Clock& clock_;
    platform::Event stopEvent_{platform::Event::Reset::Manual};
    platform::Event closeEvent_{platform::Event::Reset::Manual};
    std::atomic<bool> running_{false};
    std::atomic<std::uint64_t> session_{0};
    unsigned deviceIndex_ = 0;
    std::string deviceName_;
    std::unique_ptr<platform::SoundInput> input_;
    platform::WaveFormat format_;
    BigWaveBuffer buffers_;
    std::unique_ptr<CInputMixer> mixer_;
    std::unique_ptr<diagnostics::Threading::UIThreadHandler<BigWaveBuffer, BigWaveBufferThreadedData>> converter_;
    std::uint32_t level_ = 0xFFFF;
    bool useMixer_;
    bool levelFixed_ = false;  // opened with the mixer in use, but without a volume control
    platform::MmResult lastResult_ = platform::mmresult::NoError;
};

}  // namespace halvane::signal::AudioSampler22
