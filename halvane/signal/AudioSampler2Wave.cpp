#include "halvane/signal/AudioSampler2Wave.h"

#include "halvane/signal/AcceptedMicrophones.h"
#include "halvane/signal/WaveInOpen.h"
#include "platform/ClockWait.h"

#include <mutex>

namespace halvane::signal {

using platform::SoundSystem;
using platform::WaveFormat;
namespace mm = platform::mmresult;

}  // namespace halvane::signal

namespace halvane::signal::AudioSampler2 {

Wave::Wave(WaveCallback* client, bool useMixer, platform::SoundSystem& sound, platform::Clock& clock)
    : sound_(sound),
      clock_(clock),
      format_(WaveFormat::pcm16(1, 48000, true)),
      buffers_(client, running_),
      converter_(std::make_unique<diagnostics::Threading::UIThreadHandler<BigWaveBuffer, BigWaveBufferThreadedData>>()),
      useMixer_(useMixer) {}

Wave::~Wave() {
    Terminate();
    converter_.reset();  // queued items are values: dropping them frees everything
    mixer_.reset();
    // The dispatcher ends with buffers_; blocks still queued there own
    // their memory and go with it.
}

bool Wave::FindMicrophone() {
    format_ = WaveFormat::pcm16(1, 48000, true);
    return AudioSampler::FindAcceptedMicrophone(sound_, deviceIndex_, deviceName_);
}

void Wave::waveInProc(platform::SoundInput* input, std::uint32_t message, std::uintptr_t instance,
                      platform::WaveHeader* header) {
    auto* self = reinterpret_cast<Wave*>(instance);
    if (message == platform::WimClose) {
        self->closeEvent_.set();
    } else if (message == platform::WimData && self->running_.load()) {
        self->converter_->Post(&BigWaveBuffer::DataReady, &self->buffers_,
                               BigWaveBufferThreadedData{input, instance, message, header, self->session_.load()});
    }
}

bool Wave::Open() {
    // Opening again first ends the open input: the device is never found
    // busy with our own handle.
    if (input_) Terminate();
    ++session_;
    running_ = true;
    lastResult_ = AudioSampler::OpenWaveIn(sound_, deviceIndex_, format_, &Wave::waveInProc,
                                           reinterpret_cast<std::uintptr_t>(this), input_);
    if (lastResult_ != mm::NoError) {
        running_ = false;
        return false;
    }
    levelFixed_ = false;
    mixer_.reset();
    if (!useMixer_) return true;
    // Starts at the volume control's maximum; without one the input records
    // at the device's own level (HasVolumeControl() tells the caller).
    AudioSampler::InputMixerSetup setup = AudioSampler::SetUpInputMixer(sound_, *input_, deviceName_, std::nullopt);
    mixer_ = std::move(setup.mixer);
    levelFixed_ = setup.levelFixed;
    if (!levelFixed_) level_ = setup.level;
    return true;
}

void Wave::SetLevel(std::uint32_t level) {
    level_ = level;
    if (mixer_ && mixer_->HasVolume()) mixer_->SetInputLevel(level_);
}

bool Wave::MixerReady() {
    if (!useMixer_) return true;
    if (!mixer_ && !levelFixed_) return false;
    if (HasVolumeControl()) mixer_->SetInputLevel(level_);
    return true;
}

bool Wave::PrepareAndStart() {
    if (!MixerReady() || !input_) return false;
    if (!buffers_.HasBuffers()) {
        lastResult_ = buffers_.Setup(input_.get(), session_.load(), BufferCount);
        if (lastResult_ != mm::NoError) return false;
    }
    lastResult_ = input_->start();
    return lastResult_ == mm::NoError;
}

bool Wave::Start() {
    if (!MixerReady()) return false;
    if (!input_ || !buffers_.HasBuffers()) return false;
    lastResult_ = input_->start();
    return lastResult_ == mm::NoError;
}

bool Wave::Stop() {
    if (useMixer_ && !mixer_ && !levelFixed_) return false;
    if (!input_ || !buffers_.HasBuffers()) return false;
    lastResult_ = input_->stop();
    return lastResult_ == mm::NoError;
}

void Wave::Terminate() {
    if (input_) {
        stopEvent_.reset();
        closeEvent_.reset();
        {
            // Under the buffers' lock: a conversion running now finishes its
            // re-queue first, and every later one sees running cleared.
            std::lock_guard lock(buffers_.Lock());
            running_ = false;
        }
        input_->reset();
        lastResult_ = input_->close();
        if (lastResult_ == mm::NoError) {
            // The close is confirmed on the capture thread; wait for it, but
            // not for ever.
            platform::WaitAnyOnClock({&stopEvent_, &closeEvent_}, CloseWaitMs, clock_);
        }
    }
    buffers_.Free();
    input_.reset();
}

}  // namespace halvane::signal::AudioSampler22
