#include "halvane/signal/AudioSamplerBigWaveBuffer.h"

#include <algorithm>

namespace halvane::signal {

using platform::WaveHeader;
namespace mm = platform::mmresult;

}  // namespace halvane::signal

namespace halvane::signal::AudioSampler {

BigWaveBuffer::~BigWaveBuffer() { Stop(); }

platform::MmResult BigWaveBuffer::Setup(platform::SoundInput* input, std::size_t values, bool stereo) {
    if (input == nullptr || values == 0) return mm::InvalidParam;
    // Headers still queued from an earlier take come back before they are
    // set up again.
    if (input_ != nullptr && HasBuffers()) {
        for (int i = 0; i < headerCount_; ++i)
            if (headers_[static_cast<std::size_t>(i)].isQueued()) {
                input_->reset();
                break;
            }
        for (int i = 0; i < headerCount_; ++i) input_->unprepareHeader(headers_[static_cast<std::size_t>(i)]);
    }
    input_ = input;
    stereo_ = stereo ? 1 : 0;
    const int count = static_cast<int>((values + ChunkValues - 1) / ChunkValues);
    if (!samples_ || size_ != values) {
        samples_ = std::make_unique<std::int16_t[]>(values);
        size_ = values;
    }
    if (!headers_ || headerCount_ != count) {
        headers_ = std::make_unique<WaveHeader[]>(static_cast<std::size_t>(count));
        headerCount_ = count;
    }
    std::fill(samples_.get(), samples_.get() + values, std::int16_t{0});
    for (int i = 0; i < count; ++i) {
        WaveHeader& h = headers_[static_cast<std::size_t>(i)];
        const std::size_t first = static_cast<std::size_t>(i) * ChunkValues;
        const std::size_t chunk = std::min(ChunkValues, values - first);
        h.data = reinterpret_cast<char*>(samples_.get() + first);
        h.bufferLength = static_cast<std::uint32_t>(chunk * sizeof(std::int16_t));
        h.bytesRecorded.store(0);
        h.user = 0;
        h.flags.store(WaveHeader::BeginLoop | WaveHeader::EndLoop);
        h.loops = 1;
        h.next.store(nullptr);
    }
    for (int i = 0; i < count; ++i)
        if (const auto r = input_->prepareHeader(headers_[static_cast<std::size_t>(i)]); r != mm::NoError) return r;
    for (int i = 0; i < count; ++i)
        if (const auto r = input_->addBuffer(headers_[static_cast<std::size_t>(i)]); r != mm::NoError) return r;
    return mm::NoError;
}

bool BigWaveBuffer::ChainedInOrder() const {
    if (!HasBuffers()) return false;
    for (int i = 0; i + 1 < headerCount_; ++i)
        if (headers_[static_cast<std::size_t>(i)].next.load() != &headers_[static_cast<std::size_t>(i + 1)])
            return false;
    return true;
}

bool BigWaveBuffer::ToDoubles(std::vector<double>& out, double& largest, double& smallest) {
    if (input_ == nullptr || !HasBuffers()) return false;
    for (int i = 0; i < headerCount_; ++i)
        if (!headers_[static_cast<std::size_t>(i)].isFull()) return false;
    for (int i = 0; i < headerCount_; ++i) input_->unprepareHeader(headers_[static_cast<std::size_t>(i)]);
    const std::size_t step = stereo_ ? 2 : 1;
    out.resize(size_ / step);
    largest = -1.0;
    smallest = 1.0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double v = samples_[i * step] / 32767.0;
        out[i] = v;
        largest = std::max(largest, v);
        smallest = std::min(smallest, v);
    }
    return true;
}

void BigWaveBuffer::Stop() {
    if (input_ != nullptr && HasBuffers()) {
        input_->reset();
        for (int i = 0; i < headerCount_; ++i) input_->unprepareHeader(headers_[static_cast<std::size_t>(i)]);
    }
    headers_.reset();
    samples_.reset();
    headerCount_ = 0;
    size_ = 0;
    input_ = nullptr;
}

}  // namespace halvane::signal::AudioSampler
