#include "halvane/link/BiquadWords.h"

#include <cstdio>
#include <stdexcept>

namespace halvane::link {

std::uint32_t ToCoefficientWord(double x) {
    if (!(x >= -1.0 && x <= 1.0)) throw std::out_of_range("");
    // Truncation toward zero; -0.0 takes the non-negative branch.
    const std::int32_t v = x < 0.0 ? static_cast<std::int32_t>(x * 8388608.0 - 0.5)
                                   : static_cast<std::int32_t>(x * 8388607.0 + 0.5);
    return static_cast<std::uint32_t>(v) & 0xFFFFFFu;
}

double FromCoefficientWord(std::uint32_t word) {
    word &= 0xFFFFFFu;
    return (word & 0x800000u) != 0 ? (static_cast<double>(word) - 16777216.0) / 8388608.0
                                   : static_cast<double>(word) / 8388607.0;
}

std::uint32_t StageWord(int n, const design::Biquad& stage) {
    switch (n) {
    case 0: return ToCoefficientWord(stage.b2_2);
    case 1: return ToCoefficientWord(stage.b1_2);
    case 2: return ToCoefficientWord(stage.b0_2);
    case 3: return ToCoefficientWord(stage.a2_2);
    case 4: return ToCoefficientWord(stage.a1_2);
    case 5: return static_cast<std::uint32_t>(static_cast<std::int32_t>(stage.flag)) & 0xFFFFFFu;
    default: throw std::out_of_range("biquad word number");
    }
}

std::string FormatWord(int n, const design::Biquad& stage) {
    // A word has at most 24 bits, so it always fills exactly six digits.
    char text[8];
    std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(StageWord(n, stage)));
    return text;
}

}  // namespace halvane::link
