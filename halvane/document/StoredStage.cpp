#include "halvane/document/StoredStage.h"

#include <bit>

namespace halvane::document {

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

StoredStage ToStoredStage(const design::Biquad& stage) {
    StoredStage out{};
    const double values[5] = {stage.b2_2, stage.b1_2, stage.b0_2, stage.a2_2, stage.a1_2};
    for (int i = 0; i < 5; ++i) putDouble(out.data() + 8 * i, values[i]);
    out[40] = static_cast<std::uint8_t>(stage.flag);
    out[41] = stage.inUse;
    return out;
}

design::Biquad FromStoredStage(const StoredStage& bytes) {
    design::Biquad b;
    b.b2_2 = getDouble(bytes.data());
    b.b1_2 = getDouble(bytes.data() + 8);
    b.b0_2 = getDouble(bytes.data() + 16);
    b.a2_2 = getDouble(bytes.data() + 24);
    b.a1_2 = getDouble(bytes.data() + 32);
    b.flag = static_cast<std::int8_t>(bytes[40]);
    b.inUse = bytes[41];
    return b;
}

}  // namespace halvane::document
