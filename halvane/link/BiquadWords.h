#pragma once

#include <cstdint>
#include <string>

#include "halvane/design/Biquad.h"

namespace halvane::link {

// A stage goes to a flagship's DSP memory as six 24-bit words: the
// coefficient words of b2/2, b1/2, b0/2, a2/2, a1/2, then the flag byte.
constexpr int kStageWordCount = 6;

// The 24-bit two's-complement fraction of x in [-1, 1]: negative values
// scale by 2^23, the others by 2^23 - 1 (both are the processors' format).
// Any other x, NaN included, throws std::out_of_range.
std::uint32_t ToCoefficientWord(double x);
// The fraction a coefficient word stands for, with the scale of its sign:
// ToCoefficientWord(FromCoefficientWord(w)) == w for every 24-bit w.
double FromCoefficientWord(std::uint32_t word);

// Word n (0-5) of the stage's upload. A coefficient outside [-1, 1]
// throws std::out_of_range.
std::uint32_t StageWord(int n, const design::Biquad& stage);
// Its "%06X" text.
std::string FormatWord(int n, const design::Biquad& stage);

}  // namespace halvane::link
