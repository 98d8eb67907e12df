#include "platform/SimSoundSystem.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <cstring>
#include <vector>

namespace platform {

struct SimSoundSystem::DeviceState {
    SimInputDevice script;
    std::atomic<int> open{0};
    std::atomic<std::int64_t> delivered{0};
};

namespace {

// Frames handed over per read in fast pacing: small enough that a stop
// lands inside a buffer.
constexpr std::size_t kFastChunk = 4096;

class SimCaptureStream final : public CaptureStream {
public:
    SimCaptureStream(std::shared_ptr<SimSoundSystem::DeviceState> device, Clock& clock, unsigned channels)
        : device_(std::move(device)), clock_(clock), channels_(channels) {
        ++device_->open;
    }
    ~SimCaptureStream() override { --device_->open; }

    MmResult start() override {
        startMs_ = clock_.nowMs();
        framesSinceStart_ = 0;
        return mmresult::NoError;
    }
    void stop() override {}
    bool drainsWhenIdle() const override { return false; }

    long read(void* out, std::size_t maxFrames, int waitMs) override {
        const SimInputDevice& s = device_->script;
        std::size_t n = std::min(maxFrames, kFastChunk);
        if (s.frameLimit >= 0) {
            const std::int64_t left = s.frameLimit - framesThisOpen_;
            if (left <= 0) {
                // Gone quiet: wait a little real time, whatever the clock,
                // so the capture thread does not spin.
                std::this_thread::sleep_for(std::chrono::milliseconds(std::min(waitMs, 1)));
                return 0;
            }
            n = std::min<std::size_t>(n, static_cast<std::size_t>(left));
        }
        if (s.pacing == SimInputDevice::Pacing::RealTime) {
            std::int64_t due = dueFrames();
            if (due <= 0) {
                clock_.sleepMs(std::min(waitMs, 2));
                due = dueFrames();
                if (due <= 0) return 0;
            }
            n = std::min<std::size_t>(n, static_cast<std::size_t>(due));
        }
        samples_.resize(n * channels_);
        if (s.source) s.source->fill(samples_.data(), n, channels_, 48000);
        else std::fill(samples_.begin(), samples_.end(), std::int16_t{0});
        std::memcpy(out, samples_.data(), samples_.size() * sizeof(std::int16_t));
        framesThisOpen_ += static_cast<std::int64_t>(n);
        framesSinceStart_ += static_cast<std::int64_t>(n);
        device_->delivered += static_cast<std::int64_t>(n);
        return static_cast<long>(n);
    }

private:
    std::int64_t dueFrames() const { return (clock_.nowMs() - startMs_) * 48 - framesSinceStart_; }

    std::shared_ptr<SimSoundSystem::DeviceState> device_;
    Clock& clock_;
    unsigned channels_;
    std::int64_t startMs_ = 0;
    std::int64_t framesSinceStart_ = 0;
    std::int64_t framesThisOpen_ = 0;
    std::vector<std::int16_t> samples_;
};

// A handle on a scripted mixer; the mixer counts the handles open.
class SimMixerHandle final : public InputMixer {
public:
    explicit SimMixerHandle(std::shared_ptr<SimInputMixer> mixer) : mixer_(std::move(mixer)) {}
    ~SimMixerHandle() override;

    MmResult lineByComponent(std::uint32_t type, MixerLine& out) override { return mixer_->lineByComponent(type, out); }
    MmResult sourceLine(std::uint32_t dest, unsigned index, MixerLine& out) override {
        return mixer_->sourceLine(dest, index, out);
    }
    MmResult lineControls(std::uint32_t lineId, std::vector<MixerControl>& out) override {
        return mixer_->lineControls(lineId, out);
    }
    MmResult controlByType(std::uint32_t lineId, std::uint32_t type, MixerControl& out) override {
        return mixer_->controlByType(lineId, type, out);
    }
    MmResult setControl(std::uint32_t id, unsigned channels, const std::vector<std::uint32_t>& values) override {
        return mixer_->setControl(id, channels, values);
    }

    std::shared_ptr<SimInputMixer> mixer_;
};

}  // namespace

SimSoundSystem::SimSoundSystem(Clock& clock) : clock_(clock) {}
SimSoundSystem::~SimSoundSystem() = default;

unsigned SimSoundSystem::addDevice(SimInputDevice device) {
    std::lock_guard lock(mutex_);
    auto state = std::make_shared<DeviceState>();
    state->script = std::move(device);
    devices_.push_back(std::move(state));
    return static_cast<unsigned>(devices_.size() - 1);
}

unsigned SimSoundSystem::inputDeviceCount() {
    std::lock_guard lock(mutex_);
    return static_cast<unsigned>(devices_.size());
}

MmResult SimSoundSystem::inputDeviceName(unsigned deviceId, std::string& name) {
    std::lock_guard lock(mutex_);
    if (deviceId >= devices_.size()) return mmresult::BadDeviceId;
    name = TruncateDeviceName(devices_[deviceId]->script.name);
    return mmresult::NoError;
}

MmResult SimSoundSystem::openInput(unsigned deviceId, const WaveFormat& format, WaveInProc proc,
                                   std::uintptr_t instance, std::uint32_t flags, std::unique_ptr<SoundInput>& out) {
    std::shared_ptr<DeviceState> device;
    MmResult result = mmresult::NoError;
    {
        std::lock_guard lock(mutex_);
        if (deviceId >= devices_.size()) {
            result = mmresult::BadDeviceId;
        } else {
            device = devices_[deviceId];
            const SimInputDevice& s = device->script;
            const auto has = [](const std::vector<unsigned>& v, unsigned x) {
                return std::find(v.begin(), v.end(), x) != v.end();
            };
            if (s.openResult != mmresult::NoError) result = s.openResult;
            else if (device->open.load() > 0) result = mmresult::Allocated;
            else if (!format.isPcm() || format.bitsPerSample != 16 || !has(s.channels, format.channels) ||
                     !has(s.rates, format.samplesPerSec) || format.blockAlign != format.channels * 2 ||
                     (format.formatTag == WaveFormat::TagExtensible && !s.acceptsExtensible))
                result = mmresult::BadFormat;
            else if (proc == nullptr || (flags & CallbackFunction) != CallbackFunction)
                result = mmresult::InvalidFlag;
        }
        log_.push_back({deviceId, format, flags, result});
    }
    if (result != mmresult::NoError) return result;
    auto stream = std::make_unique<SimCaptureStream>(device, clock_, format.channels);
    out = std::make_unique<SoundInput>(deviceId, format, std::move(stream), proc, instance);
    return mmresult::NoError;
}

SimMixerHandle::~SimMixerHandle() { mixer_->handleClosed(); }

MmResult SimSoundSystem::openMixer(const SoundInput& input, std::unique_ptr<InputMixer>& out) {
    std::shared_ptr<SimInputMixer> mixer;
    {
        std::lock_guard lock(mutex_);
        if (input.isClosed()) return mmresult::InvalidHandle;
        if (input.deviceId() >= devices_.size()) return mmresult::BadDeviceId;
        mixer = devices_[input.deviceId()]->script.mixer;
    }
    if (!mixer || mixer->refuseOpen) return mmresult::NoDriver;
    mixer->handleOpened();
    out = std::make_unique<SimMixerHandle>(std::move(mixer));
    return mmresult::NoError;
}

std::vector<SimSoundSystem::OpenAttempt> SimSoundSystem::openLog() const {
    std::lock_guard lock(mutex_);
    return log_;
}

int SimSoundSystem::openCount(unsigned deviceId) const {
    std::lock_guard lock(mutex_);
    return deviceId < devices_.size() ? devices_[deviceId]->open.load() : 0;
}

std::int64_t SimSoundSystem::framesDelivered(unsigned deviceId) const {
    std::lock_guard lock(mutex_);
    return deviceId < devices_.size() ? devices_[deviceId]->delivered.load() : 0;
}

}  // namespace platform
