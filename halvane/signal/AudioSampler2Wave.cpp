#include "halvane/signal/AudioSampler2Wave.h"

#include "halvane/signal/AcceptedMicrophones.h"
#include "platform/ClockWait.h"

#include <mutex>

using platform::SoundSystem;
using platform::WaveFormat;
namespace mm = platform::mmresult;

namespace AudioSampler2 {

Wave::Wave(WaveCallback* client, bool useMixer, platform::SoundSystem& sound, platform::Clock& clock)
    : sound_(sound),
      clock_(clock),
      format_(WaveFormat::pcm16(1, 48000, true)),
      buffers_(client, running_),
      converter_(std::make_unique<Threading::UIThreadHandler<BigWaveBuffer, BigWaveBufferThreadedData>>()),
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

platform::MmResult Wave::OpenWaveIn() {
    const std::uint32_t flags = SoundSystem::CallbackFunction | SoundSystem::FormatDirect;
    const auto instance = reinterpret_cast<std::uintptr_t>(this);
    platform::MmResult r = sound_.openInput(deviceIndex_, format_, &Wave::waveInProc, instance, flags, input_);
    if (r != mm::NoError) {
        const std::uint16_t tag = format_.formatTag;
        const std::uint16_t extra = format_.extraSize;
        format_.formatTag = WaveFormat::TagPcm;
        format_.extraSize = 0;
        r = sound_.openInput(deviceIndex_, format_, &Wave::waveInProc, instance, flags, input_);
        format_.formatTag = tag;
        format_.extraSize = extra;
    }
    if (r != mm::NoError) input_.reset();
    return r;
}

bool Wave::Open() {
    // Opening again first ends the open input: the device is never found
    // busy with our own handle.
    if (input_) Terminate();
    ++session_;
    running_ = true;
    lastResult_ = OpenWaveIn();
    if (lastResult_ != mm::NoError) {
        running_ = false;
        return false;
    }
    if (!useMixer_) return true;
    const auto source = CInputMixer::FindMixerSource(sound_, *input_, deviceName_, CInputMixer::IsVistaOrLater());
    if (source) mixer_ = std::make_unique<CInputMixer>(sound_, *input_, *source);
    if (!mixer_ || !mixer_->HasVolume()) {
        mixer_.reset();
        Terminate();  // and the input closes with it
        return false;
    }
    level_ = static_cast<std::uint32_t>(mixer_->VolumeMaximum());
    mixer_->SetInputLevel(level_);
    mixer_->SetBooleanControl("AGC", 1);
    mixer_->SetBooleanControl("Volume", 0);
    mixer_->SetBooleanControl("Mute", 0);
    return true;
}

void Wave::SetLevel(std::uint32_t level) {
    level_ = level;
    if (mixer_ && mixer_->HasVolume()) mixer_->SetInputLevel(level_);
}

bool Wave::MixerReady() {
    if (!useMixer_) return true;
    if (!mixer_) return false;
    if (mixer_->HasVolume()) mixer_->SetInputLevel(level_);
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
    if (useMixer_ && !mixer_) return false;
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

}  // namespace AudioSampler2
