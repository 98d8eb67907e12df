#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "halvane/design/Biquad.h"

namespace halvane::document {

// A stage as the document file stores it: 48 bytes, the five halved
// coefficients as little-endian doubles (b2/2, b1/2, b0/2, a2/2, a1/2),
// the flag, the in-use byte and six bytes written as zero and ignored on
// reading.
constexpr std::size_t kStoredStageSize = 48;
using StoredStage = std::array<std::uint8_t, kStoredStageSize>;

StoredStage ToStoredStage(const design::Biquad& stage);
design::Biquad FromStoredStage(const StoredStage& bytes);

}  // namespace halvane::document
