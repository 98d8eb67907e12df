// CCurve: interpolation, resampling, arithmetic, searches and their side
// effects on the form of the curves involved.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "halvane/signal/CCurve.h"
#include "halvane/signal/Phase.h"

using namespace halvane::signal;

namespace {

CCurve Make(int form, std::vector<double> x, std::vector<double> a, std::vector<double> b = {}) {
    const int n = static_cast<int>(x.size());
    CCurve c(n, CIndexVector::Frequency, form);
    for (int i = 0; i < n; ++i) {
        c.X()[i] = x[i];
        c.A()[i] = a[i];
        c.B()[i] = b.empty() ? 0.0 : b[i];
    }
    return c;
}

std::vector<double> Mags(const CCurve& c) { return {c.A(), c.A() + c.Count()}; }

}  // namespace

TEST(CCurve, ValueAtInterpolatesInLogFrequency) {
    const CCurve c = Make(CComplexVector::Polar, {100, 200}, {1, 2}, {0.1, 0.3});
    const CurveValue v = c.ValueAt(0, 141.42);
    EXPECT_NEAR(v.first, 1.5, 1e-4);
    EXPECT_NEAR(v.second, 0.3 + 0.2 * (141.42 - 200) / 100, 1e-12);  // phase linear in f
    const CurveValue at = c.ValueAt(0, 200);
    EXPECT_EQ(at.first, 2.0);
    EXPECT_EQ(at.second, 0.3);
    const CurveValue atLow = c.ValueAt(0, 100);
    EXPECT_EQ(atLow.first, 1.0);
    EXPECT_EQ(atLow.second, 0.1);

    // 0 Hz on an axis from 10 Hz: i = 0, k = 1, the phase is 0 and the
    // magnitude never exceeds the first point's.
    const CCurve d = Make(CComplexVector::Polar, {10, 20, 40}, {4, 2, 1}, {0.5, 1.0, 2.0});
    const CurveValue dc = d.ValueAt(0, 0.0);
    EXPECT_EQ(dc.second, 0.0);
    EXPECT_LE(dc.first, 4.0);
    // Below the first point: phase proportional to frequency.
    EXPECT_NEAR(d.ValueAt(0, 5.0).second, 0.25, 1e-15);

    // Cartesian curves answer in Cartesian terms.
    const CCurve cart = Make(CComplexVector::Cartesian, {100, 200}, {0, 0}, {1, 2});
    const CurveValue cv = cart.ValueAt(0, 141.42);
    EXPECT_NEAR(std::hypot(cv.first, cv.second), 1.5, 1e-4);
    EXPECT_NEAR(std::atan2(cv.second, cv.first), kPhasePi / 2, 1e-12);

    // dB curves interpolate the level and keep no floor.
    const CCurve db = Make(CComplexVector::Decibel, {100, 200}, {-900, -1000});
    EXPECT_LT(db.ValueAt(0, 150).first, -900.0);

    // Two points from 0 Hz: the bracket stays on the axis.
    const CCurve two = Make(CComplexVector::Polar, {0, 50}, {1, 2});
    EXPECT_TRUE(std::isfinite(two.ValueAt(0, 25).first));
    const CCurve one = Make(CComplexVector::Polar, {50}, {3}, {0.2});
    EXPECT_EQ(one.ValueAt(0, 10).first, 3.0);
    EXPECT_EQ(CCurve().ValueAt(0, 10).first, 0.0);
}

TEST(CCurve, ResampleToIdenticalAxisIsTheCurveItself) {
    CCurve c = Make(CComplexVector::Cartesian, {10, 20, 30}, {1, 2, 3}, {0, 1, 0});
    CCurve g = Make(CComplexVector::Decibel, {10, 20, 30}, {0, 0, 0});
    CurveHandle r = c.ResampleTo(g);
    EXPECT_TRUE(r.IsSource());
    EXPECT_EQ(r.get(), &c);
    EXPECT_EQ(c.Form(), CComplexVector::Cartesian);
    EXPECT_EQ(g.Form(), CComplexVector::Decibel);
    EXPECT_EQ(r.Release(), nullptr);
    EXPECT_EQ(r.get(), &c);
}

TEST(CCurve, ResampleToAnotherAxisLeavesTheSourcePolarAndUnwrapped) {
    // A pure delay of 1 ms: phase -2 pi f / 1000, stored wrapped.
    std::vector<double> x, a, b;
    for (int i = 0; i < 50; ++i) {
        x.push_back(100.0 + 100.0 * i);
        a.push_back(1.0 + i);
        b.push_back(-kPhaseTwoPi * x.back() / 1000.0);
    }
    CCurve c = Make(CComplexVector::Polar, x, a, b);
    CCurve wrapped = c;
    wrapped.WrapPhase();
    CCurve cart = wrapped;
    cart.ToCartesian();
    CCurve grid = Make(CComplexVector::Polar, {100, 150, 1000, 5000, 5050}, {0, 0, 0, 0, 0});
    CurveHandle r = cart.ResampleTo(grid);
    ASSERT_FALSE(r.IsSource());
    EXPECT_EQ(cart.Form(), CComplexVector::Polar);
    for (int i = 0; i < 50; ++i) EXPECT_NEAR(cart.B()[i], b[i], 1e-9) << i;  // delay phase recovered
    EXPECT_EQ(r->Form(), CComplexVector::Polar);
    EXPECT_EQ(r->AxisKind(), CIndexVector::Frequency);
    ASSERT_EQ(r->Count(), 5);
    EXPECT_NEAR(r->A()[0], 1.0, 1e-12);
    EXPECT_NEAR(r->A()[2], 10.0, 1e-12);
    EXPECT_NEAR(r->B()[1], -kPhaseTwoPi * 0.15, 1e-9);
    EXPECT_NEAR(r->B()[3], -kPhaseTwoPi * 5.0, 1e-9);
    EXPECT_EQ(r->Name(), "");
}

TEST(CCurve, MultiplyAndMultiplyByComplex) {
    CCurve c = Make(CComplexVector::Polar, {10, 20, 40}, {1, 2, 4}, {0.1, 0.2, 0.3});
    CCurve o = Make(CComplexVector::Cartesian, {10, 20, 40}, {0, 0, 0}, {2, 2, 2});
    c.Multiply(o);
    EXPECT_EQ(o.Form(), CComplexVector::Polar);  // the other curve is left polar
    EXPECT_NEAR(c.A()[2], 8.0, 1e-14);
    EXPECT_NEAR(c.B()[2], 0.3 + kPhasePi / 2, 1e-14);
    c.MultiplyByComplex(0, -0.5);
    EXPECT_NEAR(c.A()[0], 1.0, 1e-14);
    EXPECT_NEAR(c.B()[0], 0.1, 1e-14);
    c.MultiplyByComplex(0, 0);
    EXPECT_EQ(c.A()[1], 0.0);
    EXPECT_NEAR(c.B()[1], 0.2 + kPhasePi / 2 - kPhasePi / 2, 1e-14);
}

TEST(CCurve, DivideByZeroAndTheDcRule) {
    CCurve c = Make(CComplexVector::Polar, {0, 10, 20}, {0, 2, 0}, {0, 0.5, 0});
    CCurve zero = Make(CComplexVector::Cartesian, {0, 10, 20}, {0, 0, 0}, {0, 0, 0});
    c.Divide(zero);
    EXPECT_EQ(Mags(c), (std::vector<double>{0, 1e40, 0}));
    EXPECT_EQ(c.B()[0], 0.0);
    EXPECT_EQ(c.B()[2], 0.0);
    EXPECT_EQ(c.B()[1], 0.5);

    CCurve d = Make(CComplexVector::Polar, {0, 10, 20}, {0.001, 1, 1}, {0.3, 0, 0});
    CCurve one = Make(CComplexVector::Polar, {0, 10, 20}, {1, 1, 1});
    d.Divide(one);
    EXPECT_EQ(d.A()[0], 0.0);  // 0.001 <= 1 / 1000: the DC point is cleared
    EXPECT_EQ(d.B()[0], 0.0);
    CCurve e = Make(CComplexVector::Polar, {0, 10, 20}, {0.0011, 1, 1}, {0.3, 0, 0});
    e.Divide(one);
    EXPECT_EQ(e.A()[0], 0.0011);

    CCurve f = Make(CComplexVector::Polar, {10, 20}, {6, 8}, {1, 1});
    CCurve g = Make(CComplexVector::Polar, {10, 20}, {2, 4}, {0.25, 0.5});
    f.Divide(g);
    EXPECT_EQ(Mags(f), (std::vector<double>{3, 2}));
    EXPECT_EQ(f.B()[1], 0.5);
}

TEST(CCurve, AccumulatePowerBuildsTheSpatialAverage) {
    CCurve sum = Make(CComplexVector::Polar, {10, 20}, {1, 0}, {0.1, 0.7});
    sum.Values().A()[0] = 1.0;  // the caller squares the first curve: 1^2
    CCurve o = Make(CComplexVector::Polar, {10, 20}, {3, 0}, {6.2, 1.0});
    sum.AccumulatePower(o);
    EXPECT_NEAR(std::sqrt(sum.A()[0]), std::sqrt(10.0), 1e-14);
    EXPECT_NEAR(std::sqrt(sum.A()[0] / 2), std::sqrt(5.0), 1e-14);
    // (0.1 * 1 + (6.2 - 2 pi) * 9) / 10, wrapped positive.
    const double mean = (0.1 + 9 * (6.2 - kPhaseTwoPi)) / 10;
    EXPECT_NEAR(std::remainder(sum.B()[0] - mean, kPhaseTwoPi), 0.0, 1e-12);
    EXPECT_EQ(sum.B()[1], 0.7);  // two silent points keep their phase
    EXPECT_EQ(sum.A()[1], 0.0);
}

TEST(CCurve, PhaseWrapping) {
    CCurve c = Make(CComplexVector::Polar, {1, 2, 3}, {1, 1, 1}, {-kPhasePi, 7.0, -0.5});
    c.WrapPhase();
    EXPECT_EQ(c.B()[0], kPhasePi);
    EXPECT_NEAR(c.B()[1], 7.0 - kPhaseTwoPi, 1e-15);
    c.WrapPhasePositive();
    EXPECT_NEAR(c.B()[2], kPhaseTwoPi - 0.5, 1e-15);
}

TEST(CCurve, RangesAndCrossings) {
    CCurve c = Make(CComplexVector::Polar, {100, 200, 300, 400, 500}, {1, 4, 2, 8, 0.5}, {0.5, 0.1, 0.9, 0.2, 0.0});
    const CurveValue m = c.MaxInRange(150, 350);  // UpperIndex: 1 .. 3
    EXPECT_EQ(m.first, 8.0);
    EXPECT_EQ(m.second, 0.9);
    EXPECT_EQ(c.Form(), CComplexVector::Polar);
    EXPECT_EQ(CCurve().MaxInRange(0, 1).first, 0.0);

    EXPECT_NEAR(c.RmsInRange(200, 300), std::sqrt((16 + 4) / 2.0), 1e-14);
    EXPECT_TRUE(std::isnan(c.RmsInRange(210, 290)));

    CCurve level = Make(CComplexVector::Polar, {100, 200, 300, 400, 500}, {0.01, 1, 1, 1, 0.01});
    EXPECT_EQ(level.FindLowerCrossing(300, -20), 100.0);
    EXPECT_EQ(level.Form(), CComplexVector::Decibel);
    EXPECT_EQ(level.FindUpperCrossing(300, -20), 500.0);
    EXPECT_EQ(level.FindLowerCrossing(300, -50), 100.0);  // never below: the first frequency
    EXPECT_EQ(level.FindUpperCrossing(300, -50), 500.0);  // never below: the last frequency
    EXPECT_EQ(level.FindLowerCrossing(9999, -20), 500.0);
    EXPECT_EQ(level.FindUpperCrossing(1, -20), 100.0);
}

TEST(CCurve, LimitPeaksCompressesEachRun) {
    CCurve c = Make(CComplexVector::Polar, {1, 2, 3, 4, 5, 6, 7, 8}, {1, 3, 5, 3, 1, 1.5, 0.5, 2.5},
                    {1, 2, 3, 4, 5, 6, 7, 8});
    c.LimitPeaks(2);
    const std::vector<double> expected = {1, 1.5, 2, 1.5, 1, 1.5, 0.5, 2};
    for (int i = 0; i < 8; ++i) EXPECT_NEAR(c.A()[i], expected[i], 1e-14) << i;
    EXPECT_EQ(c.B()[7], 8.0);  // phases untouched
    CCurve d = Make(CComplexVector::Cartesian, {1, 2}, {5, 5});
    d.LimitPeaks(1.0);  // a limit of 1 or less changes nothing but the form
    EXPECT_EQ(d.Form(), CComplexVector::Polar);
    EXPECT_EQ(d.A()[0], 5.0);
}

TEST(CCurve, CopyCloneFromSamples) {
    const double s[] = {0.5, -1, 2};
    auto t = CCurve::FromSamples(3, 48000, s);
    EXPECT_EQ(t->AxisKind(), CIndexVector::Time);
    EXPECT_EQ(t->Form(), CComplexVector::Cartesian);
    EXPECT_EQ(t->X()[2], 2.0 / 48000);
    EXPECT_EQ(t->A()[1], -1.0);
    EXPECT_EQ(t->B()[2], 0.0);
    t->SetName("take");
    auto c = t->Clone();
    EXPECT_EQ(c->Name(), "take");
    CCurve target;
    t->CopyTo(target);
    EXPECT_EQ(target.Name(), "");
    EXPECT_EQ(target.Count(), 3);
    EXPECT_EQ(target.AxisKind(), CIndexVector::Time);
    t->SetSize(2);
    EXPECT_EQ(t->Count(), 2);
    EXPECT_EQ(t->Values().Count(), 2);
}

// The forms the operations leave behind, on this curve and on the other.
TEST(CCurve, FormSideEffects) {
    auto make = [](int form) {
        return Make(form, {10, 20, 40, 80}, {1, 2, 3, 4}, {0.5, -3.0, 3.0, -3.0});
    };

    for (int op = 0; op < 3; ++op) {
        CCurve self = Make(CComplexVector::Decibel, {15, 30, 60}, {0, 0, 0});
        CCurve other = make(CComplexVector::Cartesian);
        if (op == 0) self.Multiply(other);
        if (op == 1) self.Divide(other);
        if (op == 2) self.AccumulatePower(other);
        EXPECT_EQ(self.Form(), CComplexVector::Polar) << op;
        EXPECT_EQ(other.Form(), CComplexVector::Polar) << op;
        // The other curve's phase was unwrapped: no step of a full turn.
        for (int i = 1; i < other.Count(); ++i) EXPECT_LT(std::fabs(other.B()[i] - other.B()[i - 1]), kPhasePi) << op;
    }
    CCurve uniform = make(CComplexVector::Decibel);
    CurveHandle g = uniform.ToUniformGrid();
    EXPECT_FALSE(g.IsSource());
    EXPECT_EQ(uniform.Form(), CComplexVector::Polar);

    CCurve c = make(CComplexVector::Cartesian);
    c.FindLowerCrossing(20, -100);
    EXPECT_EQ(c.Form(), CComplexVector::Decibel);
    c.RmsInRange(0, 100);
    EXPECT_EQ(c.Form(), CComplexVector::Polar);
    c.ToDecibel();
    c.FindUpperCrossing(20, -100);
    EXPECT_EQ(c.Form(), CComplexVector::Decibel);
    c.LimitPeaks(2);
    EXPECT_EQ(c.Form(), CComplexVector::Polar);
    c.ToDecibel();
    c.MaxInRange(0, 100);
    EXPECT_EQ(c.Form(), CComplexVector::Decibel);  // no form change
}
