#include "halvane/design/Biquad.h"

#include <bit>
#include <cstdio>
#include <stdexcept>

namespace halvane {

std::uint32_t ToCoefficientWord(double x) {
    if (!(x >= -1.0 && x <= 1.0)) throw std::out_of_range("");
    // Truncation toward zero; -0.0 takes the non-negative branch.
    const std::int32_t v = x < 0.0 ? static_cast<std::int32_t>(x * 8388608.0 - 0.5)
                                   : static_cast<std::int32_t>(x * 8388607.0 + 0.5);
    return static_cast<std::uint32_t>(v) & 0xFFFFFFu;
}

std::uint32_t Biquad::Word(int n) const {
    switch (n) {
    case 0: return ToCoefficientWord(b2_2);
    case 1: return ToCoefficientWord(b1_2);
    case 2: return ToCoefficientWord(b0_2);
    case 3: return ToCoefficientWord(a2_2);
    case 4: return ToCoefficientWord(a1_2);
    case 5: return static_cast<std::uint32_t>(static_cast<std::int32_t>(flag)) & 0xFFFFFFu;
    default: throw std::out_of_range("biquad word number");
    }
}

std::string Biquad::FormatWord(int n) const {
    // A word has at most 24 bits, so it always fills exactly six digits.
    char text[8];
    std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(Word(n)));
    return text;
}

namespace {

void putDouble(std::uint8_t* at, double v) {
    const auto bits = std::bit_cast<std::uint64_t>(v);
    for (int i = 0; i < 8; ++i) at[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

double getDouble(const std::uint8_t* at) {
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits |= static_cast<std::uint64_t>(at[i]) << (8 * i);
    return std::bit_cast<double>(bits);
}

}  // namespace

Biquad::Stored Biquad::ToStored() const {
    Stored out{};
    const double values[5] = {b2_2, b1_2, b0_2, a2_2, a1_2};
    for (int i = 0; i < 5; ++i) putDouble(out.data() + 8 * i, values[i]);
    out[40] = static_cast<std::uint8_t>(flag);
    out[41] = inUse;
    return out;
}

Biquad Biquad::FromStored(const Stored& bytes) {
    Biquad b;
    b.b2_2 = getDouble(bytes.data());
    b.b1_2 = getDouble(bytes.data() + 8);
    b.b0_2 = getDouble(bytes.data() + 16);
    b.a2_2 = getDouble(bytes.data() + 24);
    b.a1_2 = getDouble(bytes.data() + 32);
    b.flag = static_cast<std::int8_t>(bytes[40]);
    b.inUse = bytes[41];
    return b;
}

}  // namespace halvane
