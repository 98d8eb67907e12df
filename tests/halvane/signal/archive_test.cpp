// The archive layer: little-endian primitives, the framework's string form
// and the rejection of short or damaged streams.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/ArchiveException.h"
#include "platform/ArchiveReader.h"
#include "platform/ArchiveWriter.h"
#include "platform/TextCodec.h"

using platform::ArchiveException;
using platform::ArchiveReader;
using platform::ArchiveWriter;
using Bytes = std::vector<std::uint8_t>;

TEST(Archive, PrimitivesAreLittleEndianAndRoundTrip) {
    ArchiveWriter w;
    w.writeInt8(-2);
    w.writeUInt16(0x1234);
    w.writeInt16(-3);
    w.writeInt32(-5);
    w.writeUInt32(0xDEADBEEF);
    w.writeDouble(1.0);
    w.writeDouble(-std::numeric_limits<double>::infinity());
    const Bytes expected = {0xFE, 0x34, 0x12, 0xFD, 0xFF, 0xFB, 0xFF, 0xFF, 0xFF, 0xEF, 0xBE, 0xAD, 0xDE,
                            0,    0,    0,    0,    0,    0,    0xF0, 0x3F, 0,    0,    0,    0,    0,
                            0,    0xF0, 0xFF};
    EXPECT_EQ(w.bytes(), expected);

    ArchiveReader r(w.bytes());
    EXPECT_EQ(r.readInt8(), -2);
    EXPECT_EQ(r.readUInt16(), 0x1234);
    EXPECT_EQ(r.readInt16(), -3);
    EXPECT_EQ(r.readInt32(), -5);
    EXPECT_EQ(r.readUInt32(), 0xDEADBEEFu);
    EXPECT_EQ(r.readDouble(), 1.0);
    EXPECT_EQ(r.readDouble(), -std::numeric_limits<double>::infinity());
    EXPECT_TRUE(r.atEnd());
}

TEST(Archive, ShortStreamRaisesEndOfFileWithoutMoving) {
    const Bytes three = {1, 2, 3};
    ArchiveReader r(three);
    try {
        r.readInt32();
        FAIL() << "no exception";
    } catch (const ArchiveException& e) {
        EXPECT_EQ(e.cause(), ArchiveException::Cause::EndOfFile);
    }
    EXPECT_EQ(r.position(), 0u);
    EXPECT_EQ(r.readUInt16(), 0x0201);
    EXPECT_THROW(r.readUInt16(), ArchiveException);
    double out[2];
    EXPECT_THROW(r.readDoubles(out, 1), ArchiveException);
    EXPECT_THROW(r.skip(2), ArchiveException);
}

TEST(Archive, CountsBeyondTheStreamAreRejectedBeforeAllocation) {
    const Bytes sixteen(16, 0);
    ArchiveReader r(sixteen);
    EXPECT_NO_THROW(r.requireElements(2, 8, "x"));
    EXPECT_THROW(r.requireElements(3, 8, "x"), ArchiveException);
    EXPECT_THROW(r.requireElements(-1, 8, "x"), ArchiveException);
    EXPECT_THROW(r.requireElements(std::numeric_limits<std::int64_t>::max(), 8, "x"), ArchiveException);
}

TEST(Archive, StringLengthFormsFollowTheFramework) {
    struct Case {
        std::size_t units;
        Bytes header;
    };
    const Case cases[] = {
        {0, {0xFF, 0xFE, 0xFF, 0x00}},
        {254, {0xFF, 0xFE, 0xFF, 0xFE}},
        {255, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x00}},
        {0xFFFD, {0xFF, 0xFE, 0xFF, 0xFF, 0xFD, 0xFF}},
        {0xFFFE, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
    };
    for (const Case& c : cases) {
        const std::string text(c.units, 'a');
        ArchiveWriter w;
        w.writeString(text);
        ASSERT_EQ(w.size(), c.header.size() + 2 * c.units) << c.units;
        EXPECT_TRUE(std::equal(c.header.begin(), c.header.end(), w.bytes().begin())) << c.units;
        ArchiveReader r(w.bytes());
        EXPECT_EQ(r.readString(), text) << c.units;
        EXPECT_TRUE(r.atEnd());
    }
}

TEST(Archive, UnicodeTextRoundTripsThroughUtf16) {
    const std::string text = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC \xF0\x9F\x94\x8A";  // "Grüße € 🔊"
    ArchiveWriter w;
    w.writeString(text);
    // 4 header bytes, then 10 code units: the loudspeaker is a surrogate pair.
    ASSERT_EQ(w.size(), 4u + 2 * 10);
    EXPECT_EQ(w.bytes()[3], 10);
    EXPECT_EQ(w.bytes()[4 + 2 * 8], 0x3D);  // 0xD83D, low byte first
    EXPECT_EQ(w.bytes()[4 + 2 * 8 + 1], 0xD8);
    ArchiveReader r(w.bytes());
    EXPECT_EQ(r.readString(), text);
}

TEST(Archive, EightBitStringsAreWindows1252) {
    // Length 5 without the marker: "\x80 \x9F" plus two Latin-1 letters.
    const Bytes b = {0x05, 0x80, 0x20, 0x9F, 0xE9, 0x41};
    ArchiveReader r(b);
    EXPECT_EQ(r.readString(), "\xE2\x82\xAC \xC5\xB8\xC3\xA9" "A");
    // 0xFF, a 16-bit length of 2 without the marker: still 8-bit text.
    const Bytes longForm = {0xFF, 0x02, 0x00, 'o', 'k'};
    ArchiveReader r2(longForm);
    EXPECT_EQ(r2.readString(), "ok");
}

TEST(Archive, DamagedStringsAreRejected) {
    const Bytes tooLong = {0xFF, 0xFE, 0xFF, 0x03, 'a', 0};  // three units announced, one there
    ArchiveReader r(tooLong);
    EXPECT_THROW(r.readString(), ArchiveException);
    const Bytes hugeLength = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};  // 8-bit, 0xFFFFFFFF bytes
    ArchiveReader r2(hugeLength);
    EXPECT_THROW(r2.readString(), ArchiveException);
    const Bytes cut = {0xFF, 0xFE};
    ArchiveReader r3(cut);
    EXPECT_THROW(r3.readString(), ArchiveException);
}

TEST(TextCodec, MalformedInputBecomesReplacementCharacters) {
    EXPECT_EQ(platform::Utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
    EXPECT_EQ(platform::Utf8ToUtf16("\xE2\x82"), u"\uFFFD");          // cut sequence
    EXPECT_EQ(platform::Utf8ToUtf16("\xC0\xAF"), u"\uFFFD");          // over-long form
    EXPECT_EQ(platform::Utf16ToUtf8(u"x\xD800y"), "x\xEF\xBF\xBDy");  // lone surrogate
    EXPECT_EQ(platform::Windows1252ToUtf8("\x81"), "\xC2\x81");
}
