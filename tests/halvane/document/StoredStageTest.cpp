// A stage's stored record in the document file.

#include "halvane/document/StoredStage.h"

#include <gtest/gtest.h>

#include <string>

using namespace halvane::design;
using namespace halvane::document;

using namespace halvane;

// The stored record, from an independent packing:
//   /usr/bin/python3 -c "import struct; print(struct.pack('<5dbB6x',-0.25,0.125,0.5,1.0,-1.0,-1,1).hex())"
TEST(BiquadRecord, FortyEightLittleEndianBytes) {
    const Biquad b{-0.25, 0.125, 0.5, 1.0, -1.0, -1, 1};
    const std::string expected =
        "000000000000d0bf000000000000c03f000000000000e03f000000000000f03f000000000000f0bfff01000000000000";
    const StoredStage bytes = ToStoredStage(b);
    std::string hex;
    for (const auto byte : bytes) {
        static const char* digits = "0123456789abcdef";
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    EXPECT_EQ(hex, expected);
    EXPECT_EQ(FromStoredStage(bytes), b);

    // The six pad bytes are ignored on reading.
    StoredStage padded = bytes;
    for (std::size_t i = 42; i < 48; ++i) padded[i] = 0xAA;
    EXPECT_EQ(FromStoredStage(padded), b);
    EXPECT_EQ(FromStoredStage(ToStoredStage(Biquad::Identity())), Biquad::Identity());
}
