// A stage's 24-bit coefficient words, and the values they stand for.

#include "halvane/link/BiquadWords.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

using namespace halvane::link;

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

TEST(CoefficientWord, EveryWordStandsForAValueThatMakesItAgain) {
    // What the calculation stores for a chosen word must upload as that
    // word, both signs and both ends included.
    for (std::uint32_t w = 0; w <= 0xFFFFFFu; w += 4093)
        ASSERT_EQ(ToCoefficientWord(FromCoefficientWord(w)), w) << std::hex << w;
    for (std::uint32_t w : {0x000000u, 0x000001u, 0x7FFFFFu, 0x800000u, 0x800001u, 0xFFFFFFu})
        EXPECT_EQ(ToCoefficientWord(FromCoefficientWord(w)), w) << std::hex << w;
}
