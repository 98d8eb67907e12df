// The real, complex and axis vectors: form conversions, resizing, searches.
#include <gtest/gtest.h>

#include <cmath>

#include "halvane/signal/CComplexVector.h"
#include "halvane/signal/CIndexVector.h"
#include "halvane/signal/DbleVect.h"

using namespace halvane::signal;

namespace {

CComplexVector Make(int form, std::initializer_list<double> a, std::initializer_list<double> b) {
    CComplexVector v(static_cast<int>(a.size()), form);
    int i = 0;
    for (double x : a) v.A()[i++] = x;
    i = 0;
    for (double x : b) v.B()[i++] = x;
    return v;
}

}  // namespace

TEST(DbleVect, SetSizeShrinksKeepsAndRegrowsWithZeros) {
    DbleVect v(4);
    for (int i = 0; i < 4; ++i) v[i] = i + 1.0;
    v.SetSize(4);
    EXPECT_EQ(v.Count(), 4);
    v.SetSize(2);
    EXPECT_EQ(v.Count(), 2);
    EXPECT_EQ(v[0], 1.0);
    EXPECT_EQ(v[1], 2.0);
    v.SetSize(5);  // only the two values valid at this moment survive
    ASSERT_EQ(v.Count(), 5);
    const double expected[] = {1, 2, 0, 0, 0};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(v[i], expected[i]) << i;
    v.SetSize(0);
    EXPECT_EQ(v.Count(), 0);
    EXPECT_EQ(v.Data(), nullptr);
    v.SetSize(-7);
    EXPECT_EQ(v.Count(), 0);
    EXPECT_EQ(DbleVect(-1).Count(), 0);
}

TEST(DbleVect, CopiesAreDeep) {
    DbleVect v(3);
    v[0] = 1;
    v[1] = 2;
    v[2] = 3;
    DbleVect c = v;
    c[1] = 9;
    EXPECT_EQ(v[1], 2);
    v = c;
    EXPECT_EQ(v[1], 9);
    DbleVect moved = std::move(c);
    EXPECT_EQ(moved.Count(), 3);
    EXPECT_EQ(c.Count(), 0);  // NOLINT(bugprone-use-after-move): a moved-from vector is empty
}

// Expected values: numpy, e.g. np.hypot(3,-4), np.arctan2(-4,3), 20*np.log10(5).
TEST(CComplexVector, ConversionTable) {
    CComplexVector v = Make(0, {3.0, 0.0, -0.0, -1.0}, {-4.0, 0.0, -0.0, 0.0});
    v.ToPolar();
    EXPECT_EQ(v.Form(), CComplexVector::Polar);
    EXPECT_DOUBLE_EQ(v.A()[0], 5.0);
    EXPECT_DOUBLE_EQ(v.B()[0], -0.9272952180016122);
    EXPECT_EQ(v.A()[1], 0.0);
    EXPECT_EQ(v.B()[1], 0.0);
    EXPECT_EQ(v.B()[2], 0.0);  // atan2(-0, -0) would be -pi
    EXPECT_DOUBLE_EQ(v.B()[3], M_PI);
    v.ToPolar();  // already polar: nothing changes
    EXPECT_DOUBLE_EQ(v.A()[0], 5.0);

    v.ToDecibel();
    EXPECT_DOUBLE_EQ(v.A()[0], 13.979400086720377);
    EXPECT_EQ(v.A()[1], -800.0);
    EXPECT_EQ(v.B()[1], 0.0);
    v.ToPolar();
    EXPECT_NEAR(v.A()[0], 5.0, 1e-14);
    EXPECT_DOUBLE_EQ(v.A()[1], 1e-40);  // the floor level comes back as 1e-40, not 0

    v.ToCartesian();
    EXPECT_NEAR(v.A()[0], 3.0, 1e-14);
    EXPECT_NEAR(v.B()[0], -4.0, 1e-14);

    CComplexVector c = Make(0, {3.0, 0.0}, {-4.0, 0.0});
    c.ToDecibel();
    EXPECT_DOUBLE_EQ(c.A()[0], 13.979400086720377);
    EXPECT_DOUBLE_EQ(c.B()[0], -0.9272952180016122);
    EXPECT_EQ(c.A()[1], -800.0);
    EXPECT_EQ(c.B()[1], 0.0);
    c.ToCartesian();
    EXPECT_NEAR(c.A()[0], 3.0, 1e-13);
    EXPECT_NEAR(c.B()[0], -4.0, 1e-13);

    CComplexVector neg = Make(1, {-2.0}, {0.5});
    neg.ToDecibel();
    EXPECT_EQ(neg.A()[0], -800.0);  // a negative magnitude has the floor level too
    EXPECT_EQ(neg.B()[0], 0.5);
}

TEST(CComplexVector, PolarDecibelRoundTripAndEmptyVectors) {
    CComplexVector v(1000, CComplexVector::Polar);
    for (int i = 0; i < 1000; ++i) {
        v.A()[i] = std::pow(10.0, (i - 500) / 50.0);  // 1e-10 .. 1e10
        v.B()[i] = i * 0.01;
    }
    const CComplexVector start = v;
    v.ToDecibel();
    v.ToPolar();
    for (int i = 0; i < 1000; ++i) {
        EXPECT_NEAR(v.A()[i] / start.A()[i], 1.0, 1e-13) << i;
        EXPECT_EQ(v.B()[i], start.B()[i]);
    }
    CComplexVector empty(0, CComplexVector::Cartesian);
    empty.ToDecibel();
    EXPECT_EQ(empty.Form(), CComplexVector::Decibel);
    EXPECT_EQ(empty.Count(), 0);
}

TEST(CIndexVector, NearestAndUpperIndex) {
    CIndexVector axis(3, CIndexVector::Frequency);
    axis[0] = 100;
    axis[1] = 200;
    axis[2] = 300;
    EXPECT_EQ(axis.NearestIndex(140), 0);
    EXPECT_EQ(axis.NearestIndex(160), 1);
    EXPECT_EQ(axis.NearestIndex(150), 1);  // a tie gives the upper point
    EXPECT_EQ(axis.NearestIndex(50), 0);
    EXPECT_EQ(axis.NearestIndex(400), 2);
    EXPECT_EQ(axis.UpperIndex(200), 2);
    EXPECT_EQ(axis.UpperIndex(99), 0);
    EXPECT_EQ(axis.UpperIndex(300), 2);
    const CIndexVector empty;
    EXPECT_EQ(empty.NearestIndex(5), 0);
    EXPECT_EQ(empty.UpperIndex(5), 0);
}
