// CCurve: smoothing, the time/frequency transforms, the uniform grid, and
// curves too short for any of them.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "tests/support/TestData.h"
#include "halvane/signal/CCurve.h"
#include "halvane/signal/Phase.h"

using namespace halvane::signal;

// Reference: np.fft.fft(x, 1024)[:513] * 2 / 1024 (data/make_reference.py).
TEST(CCurveTransforms, FrequencyResponseOfATimeCurveEqualsNumpy) {
    const auto in = testdata::Rows("fr_input_1000.txt");
    const auto ref = testdata::Rows("fr_numpy_513.txt");
    ASSERT_EQ(in.size(), 1000u);
    std::vector<double> s(1000);
    for (int i = 0; i < 1000; ++i) s[i] = in[i][0];
    auto t = CCurve::FromSamples(1000, 48000, s.data());
    auto f = t->ToFrequencyResponse();
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(f->Count(), 513);
    EXPECT_EQ(f->AxisKind(), CIndexVector::Frequency);
    EXPECT_EQ(f->Form(), CComplexVector::Cartesian);
    EXPECT_NEAR(f->X()[1], 46.875, 1e-12);
    EXPECT_NEAR(f->X()[512], 24000.0, 1e-9);
    for (int i = 0; i < 513; ++i) {
        EXPECT_NEAR(f->A()[i], ref[i][0], 1e-13) << i;
        EXPECT_NEAR(f->B()[i], ref[i][1], 1e-13) << i;
    }
    // A frequency curve is simply cloned.
    auto again = f->ToFrequencyResponse();
    EXPECT_EQ(again->Count(), 513);
    EXPECT_EQ(again->A()[7], f->A()[7]);
}

TEST(CCurveTransforms, ImpulseOfTheResponseGivesTheSamplesBack) {
    for (int n : {1024, 16384, 65536}) {
        std::mt19937 gen(n);
        std::normal_distribution<double> g;
        std::vector<double> s(n);
        for (double& v : s) v = g(gen);
        auto t = CCurve::FromSamples(n, 48000, s.data());
        auto f = t->ToFrequencyResponse();
        ASSERT_NE(f, nullptr);
        auto h = f->ToImpulseResponse();
        ASSERT_NE(h, nullptr);
        ASSERT_EQ(h->Count(), n);
        EXPECT_EQ(h->AxisKind(), CIndexVector::Time);
        EXPECT_NEAR(h->X()[1], 1.0 / 48000, 1e-15);
        double worst = 0;
        for (int i = 0; i < n; ++i) {
            worst = std::max(worst, std::fabs(h->A()[i] - s[i]));
            worst = std::max(worst, std::fabs(h->B()[i]));
        }
        EXPECT_LT(worst, 1e-11) << n;
        // The spectrum's axis was uniform, so it was used as it is.
        EXPECT_EQ(f->Form(), CComplexVector::Cartesian);
    }
}

TEST(CCurveTransforms, UniformGridOfALogAxis) {
    std::vector<double> x;
    for (double f = 20; f < 20000; f *= 1.1) x.push_back(f);
    const int n = static_cast<int>(x.size());
    CCurve c(n, CIndexVector::Frequency, CComplexVector::Polar);
    for (int i = 0; i < n; ++i) {
        c.X()[i] = x[i];
        c.A()[i] = 2.0;
        c.B()[i] = 0.0;
    }
    CurveHandle g = c.ToUniformGrid();
    ASSERT_FALSE(g.IsSource());
    ASSERT_EQ(g->Count(), 32769);
    EXPECT_EQ(g->X()[32768], 22050.0);
    EXPECT_EQ(g->Form(), CComplexVector::Polar);
    EXPECT_NEAR(g->A()[20000], 2.0, 1e-12);

    // A uniform axis from 0 with 2^k/2 + 1 points is its own grid; one that
    // ends short is padded to the next power of two.
    CCurve u(513, CIndexVector::Frequency, CComplexVector::Polar);
    for (int i = 0; i < 513; ++i) {
        u.X()[i] = i * 46.875;
        u.A()[i] = 1.0;
        u.B()[i] = 0.0;
    }
    EXPECT_TRUE(u.ToUniformGrid().IsSource());
    u.SetSize(400);
    CurveHandle padded = u.ToUniformGrid();
    EXPECT_EQ(padded->Count(), 513);
    EXPECT_EQ(padded->X()[512], 512 * 46.875);

    // A uniform axis with a microscopic step far from 0 Hz would need a grid
    // of 2^29 points: it gets the standard grid instead.
    CCurve odd(3, CIndexVector::Frequency, CComplexVector::Polar);
    for (int i = 0; i < 3; ++i) {
        odd.X()[i] = 1000.0 + i * 1e-6;
        odd.A()[i] = 1.0;
        odd.B()[i] = 0.0;
    }
    EXPECT_EQ(odd.ToUniformGrid()->Count(), 32769);
}

TEST(CCurveTransforms, SmoothOntoTheChirpGrid) {
    const int n = 32769;
    CCurve c(n, CIndexVector::Frequency, CComplexVector::Polar);
    for (int i = 0; i < n; ++i) {
        c.X()[i] = i * (24000.0 / 32768);
        c.A()[i] = 0.25;
        c.B()[i] = -kPhaseTwoPi * c.X()[i] * 1e-3;  // 1 ms delay
    }
    c.SetName("Left");
    c.Smooth(6, 25, 5, 48000);
    ASSERT_EQ(c.Count(), 306);
    EXPECT_EQ(c.Values().Count(), 306);
    EXPECT_EQ(c.Form(), CComplexVector::Polar);
    EXPECT_EQ(c.Name(), "Left");
    EXPECT_EQ(c.X()[0], 5.0);
    EXPECT_NEAR(c.X()[305], 23525.34, 0.005);
    for (int i = 0; i < 306; ++i) {
        EXPECT_NEAR(c.A()[i], 0.25, 1e-12) << i;
        EXPECT_TRUE(c.B()[i] > -kPhasePi && c.B()[i] <= kPhasePi) << i;
    }
    // The phase is the power-weighted mean over the window: near the delay's.
    EXPECT_NEAR(c.B()[0], -kPhaseTwoPi * 5e-3, 1e-3);
    EXPECT_NEAR(c.B()[100], std::remainder(-kPhaseTwoPi * c.X()[100] * 1e-3, kPhaseTwoPi), 1e-3);
}

// Every operation on curves of 0, 1 and 2 points: nothing reads or writes
// outside the arrays (the sanitizers watch), and the answers are defined.
TEST(CCurveTransforms, TinyCurvesAreSafe) {
    for (int n = 0; n <= 2; ++n) {
        for (double x0 : {0.0, 10.0}) {
            auto make = [&] {
                CCurve c(n, CIndexVector::Frequency, CComplexVector::Cartesian);
                for (int i = 0; i < n; ++i) {
                    c.X()[i] = x0 + 10.0 * i;
                    c.A()[i] = 1.0 + i;
                    c.B()[i] = 0.5;
                }
                return c;
            };
            CCurve c = make();
            CCurve other = make();
            c.UnwrapPhaseAlongDelay();
            c.Multiply(other);
            c.Divide(other);
            c.AccumulatePower(other);
            c.LimitPeaks(1.5);
            c.MaxInRange(0, 100);
            c.RmsInRange(0, 100);
            c.FindLowerCrossing(5, -3);
            c.FindUpperCrossing(5, -3);
            c.ValueAt(0, 3.0);
            c.Smooth(6, 25, 5, 48000);
            EXPECT_EQ(c.Count(), n);
            CCurve big = make();
            CCurve grid(3, CIndexVector::Frequency, CComplexVector::Polar);
            for (int i = 0; i < 3; ++i) {
                grid.X()[i] = 5.0 * i;
                grid.A()[i] = 1.0;
                grid.B()[i] = 0.0;
            }
            CurveHandle r = big.ResampleTo(grid);
            EXPECT_EQ(r->Count(), 3);
            auto ir = c.ToImpulseResponse();
            if (n < 2) {
                EXPECT_EQ(ir, nullptr);
            }
            CCurve t = make();
            t.Axis().SetKind(CIndexVector::Time);
            auto fr = t.ToFrequencyResponse();
            if (n < 2) {
                EXPECT_EQ(fr, nullptr);
            } else {
                EXPECT_EQ(fr->Count(), 2);
            }
            c.ToUniformGrid();
        }
    }
}
