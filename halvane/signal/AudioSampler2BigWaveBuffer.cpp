#include "halvane/signal/AudioSampler2BigWaveBuffer.h"

#include <algorithm>

namespace halvane::signal {

using platform::WaveHeader;
namespace mm = platform::mmresult;

}  // namespace halvane::signal

namespace halvane::signal::AudioSampler2 {

BigWaveBuffer::BigWaveBuffer(WaveCallback* client, const std::atomic<bool>& running)
    : client_(client), running_(running) {}

BigWaveBuffer::~BigWaveBuffer() = default;

bool BigWaveBuffer::HasBuffers() const {
    std::lock_guard lock(mutex_);
    return headers_ != nullptr && samples_ != nullptr;
}

bool BigWaveBuffer::Owns(const WaveHeader* header) const {
    return headers_ != nullptr && header >= headers_.get() && header < headers_.get() + count_;
}

platform::MmResult BigWaveBuffer::Setup(platform::SoundInput* input, std::uint64_t session, int count) {
    std::lock_guard lock(mutex_);
    if (input == nullptr || count <= 0) return mm::InvalidParam;
    input_ = input;
    session_ = session;
    count_ = count;
    const std::size_t total = static_cast<std::size_t>(count) * SamplesPerBuffer;
    samples_ = std::make_unique<std::int16_t[]>(total);  // zeroed
    headers_ = std::make_unique<WaveHeader[]>(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        WaveHeader& h = headers_[static_cast<std::size_t>(i)];
        h.data = reinterpret_cast<char*>(samples_.get() + static_cast<std::size_t>(i) * SamplesPerBuffer);
        h.bufferLength = SamplesPerBuffer * sizeof(std::int16_t);
    }
    for (int i = 0; i < count; ++i)
        if (const auto r = input_->prepareHeader(headers_[static_cast<std::size_t>(i)]); r != mm::NoError) return r;
    for (int i = 0; i < count; ++i)
        if (const auto r = input_->addBuffer(headers_[static_cast<std::size_t>(i)]); r != mm::NoError) return r;
    return mm::NoError;
}

void BigWaveBuffer::Free() {
    std::lock_guard lock(mutex_);
    headers_.reset();
    samples_.reset();
    count_ = 0;
    input_ = nullptr;
}

void BigWaveBuffer::DataReady(BigWaveBufferThreadedData item) {
    std::lock_guard lock(mutex_);
    if (item.message != platform::WimData || !running_.load() || item.input == nullptr || item.input != input_ ||
        item.session != session_ || !Owns(item.header))
        return;  // an item of an input that is no longer open
    WaveHeader& h = *item.header;
    if (!h.isDone()) return;
    const std::uint32_t length = SamplesPerBuffer * sizeof(std::int16_t);
    if (h.bufferLength != length || h.bytesRecorded.load(std::memory_order_acquire) != length) {
        // A stop landed in this buffer. It goes back to the input without
        // being converted, so Stop/Start cycles never shrink the ring.
        if (input_->addBuffer(h) == mm::NoError) ++requeued_;
        return;
    }
    std::shared_ptr<double[]> block(new double[SamplesPerBuffer]);
    const auto* samples = reinterpret_cast<const std::int16_t*>(h.data);
    double* out = block.get();
#if defined(_OPENMP)
#pragma omp parallel for schedule(static)
#endif
    for (int i = 0; i < SamplesPerBuffer; ++i) out[i] = samples[i] / 32767.0;
    // Back to the input at once: capture never waits for the analysis.
    input_->addBuffer(h);
    ++converted_;
    dispatcher_.Post(&WaveCallback::DataReady, client_, WaveCallback::Data{std::move(block), SamplesPerBuffer});
}

}  // namespace halvane::signal::AudioSampler22
