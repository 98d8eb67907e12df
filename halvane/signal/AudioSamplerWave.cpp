#include "halvane/signal/AudioSamplerWave.h"

#include "halvane/signal/AcceptedMicrophones.h"
#include "halvane/signal/WaveInOpen.h"
#include "platform/ClockWait.h"

namespace halvane::signal {

using platform::SoundSystem;
using platform::WaveFormat;
namespace mm = platform::mmresult;

}  // namespace halvane::signal

namespace halvane::signal::AudioSampler {

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

bool Wave::Open() {
    // A reopen (the measurement job's retry) starts from a closed input, so
    // the device is never found busy with our own earlier handle.
    Close();
    SetExtensibleFormat();
    lastOpenResult_ = AudioSampler::OpenWaveIn(sound_, deviceIndex_, format_, &Wave::waveInProc,
                                               reinterpret_cast<std::uintptr_t>(this), input_);
    if (lastOpenResult_ != mm::NoError) return false;
    if (!useMixer_) return true;
    // A device without a volume control (ALSA's "file" device, a USB input
    // without a mixer) records at its own level: the caller asks
    // HasVolumeControl() and says so.
    InputMixerSetup setup = SetUpInputMixer(sound_, *input_, deviceName_, level_);
    mixer_ = std::move(setup.mixer);
    levelFixed_ = setup.levelFixed;
    return true;
}

void Wave::SetLevel(std::uint32_t level) {
    level_ = level;
    if (mixer_ && mixer_->HasVolume()) mixer_->SetInputLevel(level_);
}

bool Wave::Start() {
    if (useMixer_) {
        if (!mixer_ && !levelFixed_) return false;
        if (HasVolumeControl()) mixer_->SetInputLevel(level_);
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
    levelFixed_ = false;
}

}  // namespace halvane::signal::AudioSampler
