#include "sim/MicrophoneSource.h"

namespace sim {

void MicrophoneSource::fill(std::int16_t* out, std::size_t frames, unsigned channels, unsigned) {
    stereo_.resize(frames * 2);
    mic_.render(next_, stereo_.data(), static_cast<int>(frames));
    next_ += static_cast<std::int64_t>(frames);
    for (std::size_t f = 0; f < frames; ++f)
        for (unsigned c = 0; c < channels; ++c) out[f * channels + c] = stereo_[2 * f + (c < 2 ? c : 1)];
}

}  // namespace sim
