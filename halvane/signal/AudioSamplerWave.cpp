#include "halvane/signal/AudioSamplerWave.h"

#include "halvane/signal/AcceptedMicrophones.h"
#include "platform/ClockWait.h"

using platform::SoundSystem;
using platform::WaveFormat;
namespace mm = platform::mmresult;

namespace AudioSampler {

Wave::Wave(platform::SoundSystem& sound, platform::Clock& clock) : sound_(sound), clock_(clock) {}

Wave::~Wave() { Close(); }

void Wave::SetWaitTimes(std::int64_t eventWaitMs, std::int64_t checkPauseMs) {
    eventWaitMs_ = eventWaitMs;
    checkPauseMs_ = checkPauseMs;
}

bool Wave::FindMicrophone(platform::Event* signal) {
    signal_ = signal;
    return FindAcceptedMicrophone(sound_, deviceIndex_, deviceName_);
}

void Wave::SetExtensibleFormat() { format_ = WaveFormat::pcm16(2, 48000, true); }

void Wave::waveInProc(platform::SoundInput*, std::uint32_t message, std::uintptr_t instance, platform::WaveHeader*) {
    auto* self = reinterpret_cast<Wave*>(instance);
    if (message == platform::WimData && self->signal_ != nullptr) self->signal_->set();
}

platform::MmResult Wave::OpenWaveIn() {
    const std::uint32_t flags = SoundSystem::CallbackFunction | SoundSystem::FormatDirect;
    const auto instance = reinterpret_cast<std::uintptr_t>(this);
    platform::MmResult r = sound_.openInput(deviceIndex_, format_, &Wave::waveInProc, instance, flags, input_);
    if (r != mm::NoError) {
        // Some drivers take only the plain PCM tag for the same samples.
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
    // A reopen (the measurement job's retry) starts from a closed input, so
    // the device is never found busy with our own earlier handle.
    Close();
    SetExtensibleFormat();
    lastOpenResult_ = OpenWaveIn();
    if (lastOpenResult_ != mm::NoError) return false;
    if (!useMixer_) return true;

    // Every failure from here closes the input again: the caller only sees
    // false and will open anew.
    const auto source = CInputMixer::FindMixerSource(sound_, *input_, deviceName_, CInputMixer::IsVistaOrLater());
    if (!source) {
        Close();
        return false;
    }
    mixer_ = std::make_unique<CInputMixer>(sound_, *input_, *source);
    if (!mixer_->HasVolume()) {
        Close();
        return false;
    }
    mixer_->SetInputLevel(level_);
    // Automatic gain stays on as the measurement has always run with it,
    // doubtful as that is for a measurement microphone: the level checks
    // of the procedure judge the recorded level, not the mixer setting.
    mixer_->SetBooleanControl("AGC", 1);
    mixer_->SetBooleanControl("Volume", 0);
    mixer_->SetBooleanControl("Mute", 0);
    return true;
}

void Wave::SetLevel(std::uint32_t level) {
    level_ = level;
    if (mixer_ && mixer_->HasVolume()) mixer_->SetInputLevel(level_);
}

bool Wave::Start() {
    if (useMixer_) {
        if (!mixer_) return false;
        if (mixer_->HasVolume()) mixer_->SetInputLevel(level_);
    }
    if (!input_) return false;
    if (buffer_.Setup(input_.get(), TakeValues, true) != mm::NoError) return false;
    if (!buffer_.ChainedInOrder()) return false;
    if (signal_ != nullptr) signal_->reset();
    return input_->start() == mm::NoError;
}

bool Wave::WaitForData(platform::Event* event) {
    const int n = buffer_.HeaderCount();
    if (n == 0) return false;
    int signalled = 0;
    if (event != nullptr)
        while (signalled < n && platform::WaitOnClock(*event, eventWaitMs_, clock_)) ++signalled;
    if (signalled == n) return true;
    for (int i = signalled; i < n; ++i) {
        int checks = 0;
        while (!buffer_.Header(i).isFull()) {
            clock_.sleepMs(checkPauseMs_);
            if (++checks == ChecksPerHeader) return false;
        }
    }
    return true;
}

bool Wave::StopAndReport(std::vector<double>& out, double& largest, double& smallest) {
    if (!input_) return false;
    input_->stop();
    return buffer_.ToDoubles(out, largest, smallest);
}

void Wave::Close() {
    buffer_.Stop();
    if (input_) {
        if (input_->close() == mm::StillPlaying) {
            input_->reset();
            input_->close();
        }
        input_.reset();
    }
    mixer_.reset();
}

}  // namespace AudioSampler
