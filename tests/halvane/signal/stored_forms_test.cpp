// Stored forms of the vectors and curves, byte for byte against the golden
// files written by data/make_reference.py (Python's struct module: the
// independent writer), and the rejection of damaged streams.
#include <gtest/gtest.h>

#include "tests/support/TestData.h"
#include "halvane/signal/CCurve.h"
#include "platform/ArchiveException.h"
#include "platform/ArchiveReader.h"
#include "platform/ArchiveWriter.h"

using namespace halvane::signal;

using platform::ArchiveException;
using platform::ArchiveReader;
using platform::ArchiveWriter;
using Bytes = std::vector<std::uint8_t>;

namespace {

template <typename T>
Bytes Store(const T& object) {
    ArchiveWriter w;
    object.Serialize(w);
    return w.take();
}

template <typename T>
T Load(const Bytes& bytes) {
    ArchiveReader r(bytes);
    T object;
    object.Serialize(r);
    EXPECT_TRUE(r.atEnd());
    return object;
}

void PutInt32(Bytes& b, std::size_t at, std::int32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i));
}

}  // namespace

TEST(StoredForms, VectorsMatchTheGoldenBytes) {
    const Bytes dv = testdata::Bytes("dblevect_1_2.bin");
    const Bytes expected = {0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 0, 0, 0, 0, 0, 0, 0, 0x40};
    EXPECT_EQ(dv, expected);
    const auto v = Load<DbleVect>(dv);
    ASSERT_EQ(v.Count(), 2);
    EXPECT_EQ(v[1], 2.0);
    EXPECT_EQ(Store(v), dv);

    const Bytes cv = testdata::Bytes("complexvector_polar.bin");
    const auto c = Load<CComplexVector>(cv);
    EXPECT_EQ(c.Form(), CComplexVector::Polar);
    ASSERT_EQ(c.Count(), 3);
    EXPECT_EQ(c.B()[1], -0.2);
    EXPECT_EQ(Store(c), cv);

    const Bytes iv = testdata::Bytes("indexvector_time.bin");
    const auto x = Load<CIndexVector>(iv);
    EXPECT_EQ(x.Kind(), CIndexVector::Time);
    ASSERT_EQ(x.Count(), 4);
    EXPECT_EQ(x[3], 1.5);
    EXPECT_EQ(Store(x), iv);
}

TEST(StoredForms, CurvesMatchTheGoldenBytes) {
    const Bytes named = testdata::Bytes("curve_unicode_name.bin");
    const auto c = Load<CCurve>(named);
    EXPECT_EQ(c.Name(), "Front Left \xE2\x82\xAC \xF0\x9F\x94\x8A");
    EXPECT_EQ(c.Form(), CComplexVector::Decibel);
    ASSERT_EQ(c.Count(), 3);
    EXPECT_EQ(c.X()[2], 300.0);
    EXPECT_EQ(c.A()[2], 6.5);
    EXPECT_EQ(c.B()[1], -1.5);
    EXPECT_EQ(Store(c), named);
    // 26 + 24 n + 2 m bytes for n points and an m-unit name.
    EXPECT_EQ(named.size(), 26u + 24 * 3 + 2 * 15);

    const Bytes empty = testdata::Bytes("curve_empty_name.bin");
    const auto e = Load<CCurve>(empty);
    EXPECT_EQ(e.Name(), "");
    EXPECT_EQ(Store(e), empty);
    EXPECT_EQ(empty.size(), 26u + 24 * 2);
    const Bytes emptyName = {0xFF, 0xFE, 0xFF, 0x00};
    EXPECT_TRUE(std::equal(emptyName.begin(), emptyName.end(), empty.end() - 4));

    const Bytes longName = testdata::Bytes("curve_long_name.bin");
    const auto l = Load<CCurve>(longName);
    EXPECT_EQ(l.Name(), std::string(300, 'L'));
    EXPECT_EQ(l.AxisKind(), CIndexVector::Time);
    EXPECT_EQ(Store(l), longName);
}

TEST(StoredForms, EightBitNameIsReadAsWindows1252AndStoredAs16Bit) {
    const auto c = Load<CCurve>(testdata::Bytes("curve_ansi_name.bin"));
    EXPECT_EQ(c.Name(), "Sub \xE2\x82\xAC \xE2\x80\x9Cx\xE2\x80\x9D \xC3\xA9");  // "Sub € “x” é"
    EXPECT_EQ(c.Count(), 2);
    const auto again = Load<CCurve>(Store(c));
    EXPECT_EQ(again.Name(), c.Name());
}

TEST(StoredForms, LargeVectorIsOneCountAndThePlainValues) {
    DbleVect v(5000);
    for (int i = 0; i < 5000; ++i) v[i] = i * 0.5;
    const Bytes b = Store(v);
    EXPECT_EQ(b.size(), 4u + 40000);
    const auto back = Load<DbleVect>(b);
    ASSERT_EQ(back.Count(), 5000);
    EXPECT_EQ(back[4999], 4999 * 0.5);
}

TEST(StoredForms, NonPositiveCountsLoadEmptyAndStopAfterTheCount) {
    for (std::int32_t count : {0, -3}) {
        Bytes b(12, 0xAB);
        PutInt32(b, 0, count);
        ArchiveReader r(b);
        DbleVect v(4);
        v.Serialize(r);
        EXPECT_EQ(v.Count(), 0);
        EXPECT_EQ(r.position(), 4u);
    }
}

TEST(StoredForms, DamagedStreamsAreRejectedAndChangeNothing) {
    const Bytes good = testdata::Bytes("curve_unicode_name.bin");
    const CCurve original = Load<CCurve>(testdata::Bytes("curve_empty_name.bin"));

    auto rejects = [&](const Bytes& bad, const char* what) {
        CCurve target = original;
        ArchiveReader r(bad);
        EXPECT_THROW(target.Serialize(r), ArchiveException) << what;
        EXPECT_EQ(Store(target), Store(original)) << what;
    };

    // Every truncation of a good curve.
    for (std::size_t len = 0; len < good.size(); ++len) {
        rejects(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(len)), "truncated");
    }
    // Layout of the golden curve: kind (2), count (4) at 2, 3 axis doubles,
    // form (2) at 30, count a at 32, 3 doubles, count b at 60, 3 doubles.
    Bytes badForm = good;
    badForm[30] = 3;
    rejects(badForm, "form 3");
    Bytes unequal = good;
    PutInt32(unequal, 60, 2);
    rejects(unequal, "unequal components");
    Bytes hugeAxis = good;
    PutInt32(hugeAxis, 2, 0x7FFFFFFF);
    rejects(hugeAxis, "huge axis count");
    Bytes hugeValues = good;
    PutInt32(hugeValues, 32, 0x10000000);
    rejects(hugeValues, "huge value count");

    // An axis of 2 points with components of 3: every later loop would run
    // past the axis.
    CCurve mismatch(3, 0, 0);
    for (int i = 0; i < 3; ++i) mismatch.X()[i] = mismatch.A()[i] = mismatch.B()[i] = i;
    Bytes m = Store(mismatch);
    Bytes cut;
    ArchiveWriter w;
    w.writeUInt16(0);
    w.writeInt32(2);
    w.writeDouble(0);
    w.writeDouble(1);
    cut = w.take();
    cut.insert(cut.end(), m.begin() + 2 + 4 + 24, m.end());
    rejects(cut, "axis shorter than values");
}
