#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include "tests/support/TestData.h"
#include "halvane/signal/CCurveSet.h"
#include "halvane/signal/CMeasSet.h"
#include "platform/ArchiveException.h"
#include "platform/ArchiveReader.h"
#include "platform/ArchiveWriter.h"

using namespace halvane::signal;

namespace {

std::unique_ptr<CCurve> Curve(std::vector<double> x, int form, std::vector<double> a, std::vector<double> b,
                              std::string name = {}) {
    auto c = std::make_unique<CCurve>(static_cast<int>(x.size()), CIndexVector::Frequency, form);
    for (std::size_t i = 0; i < x.size(); ++i) {
        c->X()[i] = x[i];
        c->A()[i] = a[i];
        c->B()[i] = b[i];
    }
    c->SetName(std::move(name));
    return c;
}

// The set of data/curveset_7_2.bin, filled in the order 7, 2.
void FillSevenTwo(CCurveSet& s) {
    s.Add(7, Curve({50.0}, CComplexVector::Decibel, {-3.0}, {0.25}, "sub"));
    s.Add(2, Curve({100.0, 200.0}, CComplexVector::Polar, {1.0, 2.0}, {0.0, 0.5}, "two"));
}

std::vector<std::uint8_t> Stored(const auto& set) {
    platform::ArchiveWriter w;
    set.Serialize(w);
    return w.take();
}

TEST(CCurveSet, KeepsOneCurvePerKeyInAscendingOrder) {
    CCurveSet s;
    FillSevenTwo(s);
    EXPECT_EQ(s.Count(), 2);
    EXPECT_EQ(s.KeyAt(0), 2);
    EXPECT_EQ(s.KeyAt(1), 7);
    EXPECT_EQ(s.GetAt(0)->Name(), "two");
    EXPECT_EQ(s.GetAt(2), nullptr);
    EXPECT_EQ(s.KeyAt(2), -1);
    EXPECT_EQ(s.KeyAt(-1), -1);
    EXPECT_TRUE(s.HasSubwooferCurve());

    // The subscript leaves an empty slot that nothing counts.
    EXPECT_EQ(s[4].get(), nullptr);
    EXPECT_EQ(s.Find(5), nullptr);
    EXPECT_FALSE(s.HasCurve(4));
    EXPECT_EQ(s.Count(), 2);
    EXPECT_EQ(s.KeyAt(1), 7);

    // Walking the channels from 3 stops at the next curve, or past 7.
    EXPECT_EQ(CCurveSet::NextKey(s, 3).key, 7);
    EXPECT_EQ(CCurveSet::NextKey(s, 0).key, 2);
    EXPECT_EQ(CCurveSet::NextKey(s, 2).key, 2);
    s.Remove(7);
    EXPECT_FALSE(s.HasSubwooferCurve());
    EXPECT_EQ(CCurveSet::NextKey(s, 3).key, 8);
    EXPECT_EQ(CCurveSet::NextKey(s, 3).set, &s);

    // A negative key is refused, and the caller keeps the curve.
    auto c = Curve({1.0}, 0, {1.0}, {0.0});
    try {
        s.Add(-1, std::move(c));
        ADD_FAILURE();
    } catch (const std::logic_error& e) {
        EXPECT_STREQ(e.what(), "Can't add curve at -'ve index");
    }
    ASSERT_TRUE(c);
    EXPECT_EQ(s.Count(), 1);
    // So is a key the stored form cannot carry (the file would not load).
    EXPECT_THROW(s.Add(9, std::move(c)), std::logic_error);
    ASSERT_TRUE(c);
    s.Add(8, std::move(c));
    EXPECT_EQ(s.KeyAt(1), 8);
    s.Remove(8);

    // A copy is deep.
    CCurveSet copy;
    copy.Add(6, Curve({1.0}, 0, {1.0}, {0.0}));
    copy.CopyFrom(s);
    EXPECT_EQ(copy.Count(), 1);
    EXPECT_FALSE(copy.HasCurve(6));
    ASSERT_NE(copy.Find(2), s.Find(2));
    s.Find(2)->A()[0] = 99;
    EXPECT_EQ(copy.Find(2)->A()[0], 1.0);
    EXPECT_EQ(copy.Find(2)->Name(), "two");
    s.Clear();
    EXPECT_EQ(s.Count(), 0);
}

TEST(CCurveSet, StoresInterleavedKeysAndCurvesAsTheGoldenBytes) {
    // data/curveset_7_2.bin from Python's struct module (make_chirp_reference.py).
    CCurveSet s;
    FillSevenTwo(s);
    s[3];  // an empty slot is not stored
    const auto golden = testdata::Bytes("curveset_7_2.bin");
    EXPECT_EQ(Stored(s), golden);

    CCurveSet loaded;
    loaded.Add(5, Curve({1.0}, 0, {1.0}, {0.0}));
    platform::ArchiveReader r(golden);
    loaded.Serialize(r);
    EXPECT_TRUE(r.atEnd());
    EXPECT_FALSE(loaded.HasCurve(5));  // loading replaces the contents
    ASSERT_EQ(loaded.Count(), 2);
    EXPECT_EQ(loaded.Find(7)->Form(), CComplexVector::Decibel);
    EXPECT_EQ(loaded.Find(2)->B()[1], 0.5);
    EXPECT_EQ(Stored(loaded), golden);
}

TEST(CCurveSet, RefusesDamagedStreamsAndKeepsItsContents) {
    const auto golden = testdata::Bytes("curveset_7_2.bin");
    auto damaged = [&](std::vector<std::uint8_t> bytes) {
        CCurveSet s;
        s.Add(1, Curve({10.0}, 0, {1.0}, {0.0}, "kept"));
        platform::ArchiveReader r(bytes);
        EXPECT_THROW(s.Serialize(r), platform::ArchiveException);
        EXPECT_EQ(s.Count(), 1);
        EXPECT_EQ(s.Find(1)->Name(), "kept");
    };
    // The second key (just before the last curve, 56 bytes) becomes 9: not
    // a channel. 8 ("all") is accepted.
    const std::size_t secondKey = golden.size() - 56 - 4;
    ASSERT_EQ(golden[secondKey], 7);
    auto withKey = [&](std::int32_t key) {
        platform::ArchiveWriter w;
        w.writeInt32(key);
        auto bytes = golden;
        std::copy(w.bytes().begin(), w.bytes().end(), bytes.begin() + static_cast<std::ptrdiff_t>(secondKey));
        return bytes;
    };
    damaged(withKey(9));
    damaged(withKey(-1));
    const auto eight = withKey(8);
    CCurveSet s;
    platform::ArchiveReader r(eight);
    s.Serialize(r);
    EXPECT_TRUE(s.HasCurve(8));

    damaged({golden.begin(), golden.end() - 1});    // truncated
    damaged({0xFF, 0xFF, 0xFF, 0xFF});              // count -1
    damaged({0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0});  // a count the stream cannot hold
}

TEST(CMeasSet, HoldsOneCurveSetPerPosition) {
    CMeasSet m;
    m.SetSize(3);
    EXPECT_EQ(m.Count(), 3);
    m.SetCurve(Curve({1.0}, 0, {1.0}, {0.0}), 2, 1);
    EXPECT_NE(m.GetCurve(2, 1), nullptr);
    // A missing channel: none, and an empty slot that is not counted.
    EXPECT_EQ(m.GetCurve(4, 1), nullptr);
    EXPECT_EQ(m.Position(1)->Count(), 1);
    EXPECT_EQ(m.GetCurve(2, 3), nullptr);
    EXPECT_EQ(m.GetCurve(2, -1), nullptr);
    auto c = Curve({1.0}, 0, {1.0}, {0.0});
    EXPECT_THROW(m.SetCurve(std::move(c), 0, 3), std::logic_error);
    EXPECT_THROW(m.SetCurve(std::move(c), -1, 0), std::logic_error);
    EXPECT_TRUE(c);
    m.RemoveCurve(2, 1);
    m.RemoveCurve(2, 7);
    EXPECT_EQ(m.GetCurve(2, 1), nullptr);

    m.SetCurve(Curve({1.0}, 0, {5.0}, {0.0}), 0, 2);
    CMeasSet copy;
    copy.CopyFrom(m);
    ASSERT_EQ(copy.Count(), 3);
    m.GetCurve(0, 2)->A()[0] = 6;
    EXPECT_EQ(copy.GetCurve(0, 2)->A()[0], 5.0);
    m.Clear();
    EXPECT_EQ(m.Count(), 0);
}

TEST(CMeasSet, StoresItsPositionsInOrder) {
    // data/measset_2.bin: two positions, the first the 7-and-2 set, the
    // second empty.
    CMeasSet m;
    m.SetSize(2);
    FillSevenTwo(*m.Position(0));
    const auto golden = testdata::Bytes("measset_2.bin");
    EXPECT_EQ(Stored(m), golden);
    CMeasSet loaded;
    platform::ArchiveReader r(golden);
    loaded.Serialize(r);
    EXPECT_TRUE(r.atEnd());
    ASSERT_EQ(loaded.Count(), 2);
    EXPECT_EQ(loaded.Position(0)->Count(), 2);
    EXPECT_EQ(loaded.Position(1)->Count(), 0);
    EXPECT_EQ(Stored(loaded), golden);

    CMeasSet kept;
    kept.SetSize(4);
    platform::ArchiveReader truncated(std::span<const std::uint8_t>(golden.data(), golden.size() - 2));
    EXPECT_THROW(kept.Serialize(truncated), platform::ArchiveException);
    EXPECT_EQ(kept.Count(), 4);
    std::vector<std::uint8_t> negative = {0xFE, 0xFF, 0xFF, 0xFF};
    platform::ArchiveReader neg(negative);
    EXPECT_THROW(kept.Serialize(neg), platform::ArchiveException);
}

TEST(CMeasSet, AveragesThePowerOverThePositions) {
    // Magnitudes 1 and 3 average to sqrt((1 + 9) / 2) = sqrt(5); the phases
    // 0.1 and 6.2 (moved to 6.2 - 2 pi) are weighted 1 : 9.
    CMeasSet m;
    m.SetSize(2);
    m.SetCurve(Curve({100.0, 200.0}, CComplexVector::Polar, {1.0, 2.0}, {0.1, 0.0}, "pos0"), 3, 0);
    m.SetCurve(Curve({100.0, 200.0}, CComplexVector::Polar, {3.0, 2.0}, {6.2, 0.0}, "pos1"), 3, 1);
    m.SetCurve(Curve({100.0}, CComplexVector::Polar, {4.0}, {0.0}), 5, 1);  // position 0 lacks channel 5
    CCurveSet out;
    m.Average(out);
    ASSERT_EQ(out.Count(), 1);
    const CCurve* avg = out.Find(3);
    ASSERT_NE(avg, nullptr);
    EXPECT_EQ(avg->Name(), "pos0");
    EXPECT_EQ(avg->Form(), CComplexVector::Polar);
    EXPECT_NEAR(avg->A()[0], std::sqrt(5.0), 1e-12);
    EXPECT_NEAR(avg->B()[0], (0.1 + 9 * (6.2 - 2 * std::numbers::pi)) / 10, 1e-12);
    EXPECT_NEAR(avg->A()[1], 2.0, 1e-12);
    EXPECT_FALSE(out.HasCurve(5));

    // Three positions of a dB curve, one of them lacking the channel: the
    // mean is over the two that hold it.
    CMeasSet three;
    three.SetSize(3);
    three.SetCurve(Curve({50.0, 60.0}, CComplexVector::Decibel, {0.0, -6.0}, {-3.0, 3.0}), 0, 0);
    three.SetCurve(Curve({50.0, 60.0}, CComplexVector::Decibel, {6.0, -6.0}, {-3.0, 3.0}), 0, 2);
    CCurveSet out3;
    m.Average(out3);
    three.Average(out3);
    const CCurve* a3 = out3.Find(0);
    ASSERT_NE(a3, nullptr);
    const double m0 = 1.0, m2 = std::pow(10.0, 6.0 / 20);
    EXPECT_NEAR(a3->A()[0], std::sqrt((m0 * m0 + m2 * m2) / 2), 1e-12);
    EXPECT_NEAR(a3->A()[1], std::pow(10.0, -6.0 / 20), 1e-12);
    EXPECT_NEAR(a3->B()[0], -3.0, 1e-12);  // wrapped into (-pi, pi]
    EXPECT_TRUE(out3.HasCurve(3));         // channels the average does not hold stay

    // One position: magnitudes unchanged, phases wrapped.
    CMeasSet one;
    one.SetSize(1);
    one.SetCurve(Curve({10.0, 20.0}, CComplexVector::Polar, {0.5, 7.0}, {7.0, -4.0}), 1, 0);
    CCurveSet out1;
    one.Average(out1);
    EXPECT_NEAR(out1.Find(1)->A()[0], 0.5, 1e-15);
    EXPECT_NEAR(out1.Find(1)->A()[1], 7.0, 1e-14);
    EXPECT_NEAR(out1.Find(1)->B()[0], 7.0 - 2 * std::numbers::pi, 1e-12);
    EXPECT_NEAR(out1.Find(1)->B()[1], -4.0 + 2 * std::numbers::pi, 1e-12);
}

}  // namespace
