// The biquad stage as a design value: its 24-bit coefficient words and its
// stored record.

#include "halvane/design/Biquad.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

using namespace halvane;

// Reference words from an independent computation:
//   /usr/bin/python3 -c "import math
//   w=lambda x:(math.trunc(x*8388608.0-0.5) if x<0 else math.trunc(x*8388607.0+0.5))&0xFFFFFF
//   print(['%06X'%w(x) for x in (0.0,-0.0,.5,-.5,1,-1,.25,-.25,1e-7,-1e-7,-1e-9,.123456789,-.987654321,.999999)])"
TEST(CoefficientWord, MatchesTheReferenceTable) {
    const std::vector<std::pair<double, std::uint32_t>> table = {
        {0.0, 0x000000},      {-0.0, 0x000000},  {0.5, 0x400000},    {-0.5, 0xC00000},
        {1.0, 0x7FFFFF},      {-1.0, 0x800000},  {0.25, 0x200000},   {-0.25, 0xE00000},
        {1e-7, 0x000001},     {-1e-7, 0xFFFFFF}, {-1e-9, 0x000000},  {0.123456789, 0x0FCD6E},
        {-0.987654321, 0x81948B}, {0.999999, 0x7FFFF7},
    };
    for (const auto& [x, word] : table) EXPECT_EQ(ToCoefficientWord(x), word) << x;
    EXPECT_THROW(ToCoefficientWord(1.0000001), std::out_of_range);
    EXPECT_THROW(ToCoefficientWord(-1.0000001), std::out_of_range);
    EXPECT_THROW(ToCoefficientWord(std::numeric_limits<double>::quiet_NaN()), std::out_of_range);
    EXPECT_THROW(ToCoefficientWord(std::numeric_limits<double>::infinity()), std::out_of_range);
}

TEST(CoefficientWord, DecodesWithinHalfAStep) {
    std::mt19937_64 rng(20261209);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    for (int i = 0; i < 100000; ++i) {
        const double x = dist(rng);
        const std::uint32_t w = ToCoefficientWord(x);
        ASSERT_LE(w, 0xFFFFFFu);
        const double back = w >= 0x800000u ? (static_cast<double>(w) - 16777216.0) / 8388608.0 : w / 8388607.0;
        const double step = x < 0 ? 1.0 / 8388608.0 : 1.0 / 8388607.0;
        ASSERT_LE(std::fabs(back - x), step / 2 + 1e-15) << x;
    }
}

// The stored record, from an independent packing:
//   /usr/bin/python3 -c "import struct; print(struct.pack('<5dbB6x',-0.25,0.125,0.5,1.0,-1.0,-1,1).hex())"
TEST(BiquadRecord, FortyEightLittleEndianBytes) {
    const Biquad b{-0.25, 0.125, 0.5, 1.0, -1.0, -1, 1};
    const std::string expected =
        "000000000000d0bf000000000000c03f000000000000e03f000000000000f03f000000000000f0bfff01000000000000";
    const Biquad::Stored bytes = b.ToStored();
    std::string hex;
    for (const auto byte : bytes) {
        static const char* digits = "0123456789abcdef";
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    EXPECT_EQ(hex, expected);
    EXPECT_EQ(Biquad::FromStored(bytes), b);

    // The six pad bytes are ignored on reading.
    Biquad::Stored padded = bytes;
    for (std::size_t i = 42; i < 48; ++i) padded[i] = 0xAA;
    EXPECT_EQ(Biquad::FromStored(padded), b);
    EXPECT_EQ(Biquad::FromStored(Biquad::Identity().ToStored()), Biquad::Identity());
}
