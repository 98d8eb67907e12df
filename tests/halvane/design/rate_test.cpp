// Moving finished stages to other sample rates, reloading stored stages
// and applying a chain to a curve.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>

#include "FitCorpus.h"
#include "halvane/design/Biquad.h"
#include "halvane/design/FilterDesign.h"
#include "halvane/design/RateConversion.h"
#include "halvane/design/StageMath.h"
#include "halvane/signal/CCurve.h"

using namespace halvane::design;
using namespace halvane::signal;

namespace {

constexpr double kPi = std::numbers::pi;

struct Stage {
    double b0, b1, b2, a1, a2;
};

FilterDesign Chain(int rate, const std::vector<Stage>& stages, int gainSteps = 0) {
    FilterDesign d;
    d.InitStages(static_cast<int>(stages.size()));
    d.SampleRate = rate;
    d.GainSteps = gainSteps;
    for (std::size_t k = 0; k < stages.size(); ++k) {
        d.B0[k] = stages[k].b0;
        d.B1[k] = stages[k].b1;
        d.B2[k] = stages[k].b2;
        d.A1[k] = stages[k].a1;
        d.A2[k] = stages[k].a2;
    }
    return d;
}

// A peaking stage at f0 with the pole and zero Qs given, at `rate`.
Stage Peaking(double f0, double qz, double qp, double rate) {
    Stage s{1.0, 0, 0, 0, 0};
    halvane::design::stage_math::PlacedPair(2 * kPi * f0 / rate, qz, s.b1, s.b2);
    halvane::design::stage_math::PlacedPair(2 * kPi * f0 / rate, qp, s.a1, s.a2);
    return s;
}

// A mixture: complex stages, an identity stage, real-root stages (one with
// a small real pole), a shelving-like real numerator.
std::vector<Stage> Mixture(double rate) {
    std::vector<Stage> s{
        Peaking(45, 3, 6, rate), {1.0, 0.0, 0.0, 0.0, 0.0}, Peaking(900, 4, 2, rate), Peaking(7000, 1.5, 3, rate)};
    s.push_back({1.0, -(0.99 + 0.2), 0.99 * 0.2, -(0.95 + 0.04), 0.95 * 0.04});
    s.push_back({0.8, -0.8 * 0.5, 0.0, -0.97, 0.0});
    return s;
}

double DcGain(const FilterDesign& d) {
    double g = std::pow(10.0, d.GainSteps / 40.0);
    for (std::size_t k = 0; k < d.B0.size(); ++k) g *= (d.B0[k] + d.B1[k] + d.B2[k]) / (d.A0[k] + d.A1[k] + d.A2[k]);
    return g;
}

TEST(RateConversion, TheSameRateChangesNothing) {
    FilterDesign d = Chain(48000, Mixture(48000), 5);
    const FilterDesign before = d;
    d.ChangeSampleRate(48000);
    EXPECT_EQ(d.B0, before.B0);
    EXPECT_EQ(d.B1, before.B1);
    EXPECT_EQ(d.A1, before.A1);
    EXPECT_EQ(d.A2, before.A2);
    EXPECT_EQ(d.GainSteps, 5);
}

TEST(RateConversion, DownAndBackRestoresEveryStage) {
    FilterDesign d = Chain(96000, Mixture(96000), -3);
    const FilterDesign before = d;
    d.ChangeSampleRate(48000);
    EXPECT_EQ(d.SampleRate, 48000);
    for (std::size_t k = 0; k < d.B0.size(); ++k) {
        for (double c : {d.B0[k], d.B1[k], d.B2[k], d.A0[k], d.A1[k], d.A2[k]}) EXPECT_TRUE(std::isfinite(c));
        EXPECT_TRUE(halvane::design::stage_math::IsStable(d.A1[k] / d.A0[k], d.A2[k] / d.A0[k])) << k;
    }
    d.ChangeSampleRate(96000);
    for (std::size_t k = 0; k < d.B0.size(); ++k) {
        SCOPED_TRACE(k);
        EXPECT_NEAR(d.B0[k], before.B0[k], 1e-12);
        EXPECT_NEAR(d.B1[k], before.B1[k], 1e-12);
        EXPECT_NEAR(d.B2[k], before.B2[k], 1e-12);
        EXPECT_NEAR(d.A0[k], before.A0[k], 1e-12);
        EXPECT_NEAR(d.A1[k], before.A1[k], 1e-12);
        EXPECT_NEAR(d.A2[k], before.A2[k], 1e-12);
    }
    EXPECT_EQ(d.GainSteps, -3);
    // The identity stays the identity exactly (no NaN from ln 0).
    EXPECT_EQ(d.B0[1], 1.0);
    EXPECT_EQ(d.B1[1], 0.0);
    EXPECT_EQ(d.A1[1], 0.0);
}

TEST(RateConversion, EveryRateKeepsTheGainAt0HzAndStableDenominators) {
    const FilterDesign design = Chain(96000, Mixture(96000), 2);
    for (int rate : {32000, 44100, 48000, 88200, 176400, 192000}) {
        FilterDesign d = design;
        d.ChangeSampleRate(rate);
        // 1e-10: the 0 Hz sums of poles near 1 (1 - 0.97) lose a few digits.
        EXPECT_NEAR(DcGain(d), DcGain(design), 1e-10 * DcGain(design)) << rate;
        for (std::size_t k = 0; k < d.B0.size(); ++k) {
            EXPECT_TRUE(halvane::design::stage_math::IsStable(d.A1[k], d.A2[k])) << rate << " stage " << k;
            EXPECT_LE(std::max({std::abs(d.B0[k]), std::abs(d.B1[k]), std::abs(d.B2[k])}), 2.0);
        }
    }
}

TEST(RateConversion, ComplexStagesKeepTheirFrequencyAndQ) {
    for (const Stage& s : {Peaking(45, 3, 6, 96000), Peaking(900, 4, 2, 96000), Peaking(7000, 1.5, 3, 96000)}) {
        for (double to : {32000.0, 48000.0, 192000.0}) {
            double c0 = 1.0, c1 = s.a1, c2 = s.a2;
            double f0, q0, f1, q1;
            ASSERT_TRUE(halvane::design::stage_math::PairResonance(c1, c2, 96000, f0, q0));
            ConvertQuadraticRate(96000, to, c0, c1, c2);
            ASSERT_TRUE(halvane::design::stage_math::PairResonance(c1, c2, to, f1, q1));
            EXPECT_NEAR(f1, f0, 1e-9 * f0);
            EXPECT_NEAR(q1, q0, 1e-9 * q0);
        }
    }
}

TEST(RateConversion, SmallAndZeroRealRootsStayStable) {
    // Poles at 0.95 and 0.04 (the second beyond the old Nyquist frequency
    // in the bilinear map), and the identity.
    double c0 = 1.0, c1 = -(0.95 + 0.04), c2 = 0.95 * 0.04;
    const double ratio = ConvertQuadraticRate(96000, 48000, c0, c1, c2);
    EXPECT_TRUE(std::isfinite(ratio));
    EXPECT_TRUE(halvane::design::stage_math::IsStable(c1, c2));
    EXPECT_NEAR(ratio, (1 - 0.95 - 0.04 + 0.95 * 0.04) / (c0 + c1 + c2), 1e-15);
    double i0 = 1.0, i1 = 0.0, i2 = 0.0;
    EXPECT_EQ(ConvertQuadraticRate(96000, 48000, i0, i1, i2), 1.0);
    EXPECT_EQ(i1, 0.0);
    EXPECT_EQ(i2, 0.0);
    // A scaled polynomial keeps its leading coefficient.
    double k0 = 0.5, k1 = 0.5 * -1.2, k2 = 0.5 * 0.5;
    ConvertQuadraticRate(96000, 48000, k0, k1, k2);
    EXPECT_EQ(k0, 0.5);
}

TEST(RateConversion, ANumeratorAboveTwoHandsItsExcessOn) {
    // A numerator whose coefficients reach 3 at the new rate is divided by
    // 1.5; the last stage's 1.5 becomes trunc(40 log10 1.5 + 0.5) = 7 steps.
    FilterDesign d = Chain(48000, {{1.0, 0.0, 0.0, 0.0, 0.0}, {3.0, 0.0, 0.0, 0.0, 0.0}}, 1);
    d.B0[0] = 3.0;
    d.ChangeSampleRate(96000);
    EXPECT_NEAR(d.B0[0], 2.0, 1e-15);
    EXPECT_NEAR(d.B0[1], 2.0, 1e-15);  // 3 times the carried 1.5 is 4.5 -> 2, carry 2.25
    EXPECT_EQ(d.GainSteps, 1 + 14);    // trunc(40 log10 2.25 + 0.5)
    FilterDesign e = Chain(48000, {{1.0, 0.0, 0.0, 0.0, 0.0}, {3.0, 0.0, 0.0, 0.0, 0.0}}, 0);
    e.ChangeSampleRate(96000);
    EXPECT_NEAR(e.B0[1], 2.0, 1e-15);
    EXPECT_EQ(e.GainSteps, 7);
}

TEST(StoredStages, LoadingTakesTheHalvedValuesOrTheIdentity) {
    FilterDesign d;
    d.InitStages(3);
    halvane::design::Biquad q;
    q.b2_2 = 0.1;
    q.b1_2 = -0.3;
    q.b0_2 = 0.45;
    q.a2_2 = 0.2;
    q.a1_2 = -0.6;
    q.inUse = 1;
    d.LoadStage(q, 0);
    EXPECT_EQ(d.B0[0], 0.9);
    EXPECT_EQ(d.B1[0], -0.6);
    EXPECT_EQ(d.B2[0], 0.2);
    EXPECT_EQ(d.A1[0], -1.2);
    EXPECT_EQ(d.A2[0], 0.4);
    EXPECT_EQ(d.StoredStage(0), q);
    q.inUse = 0;
    d.LoadStage(q, 1);
    EXPECT_EQ(d.B0[1], 1.0);
    EXPECT_EQ(d.B1[1], 0.0);
    EXPECT_EQ(d.A1[1], 0.0);
    d.LoadStage(q, 3);  // beyond the chain: ignored
    d.LoadStage(q, -1);
    EXPECT_EQ(d.B0.size(), 3u);
    d.LoadGainWord(0xFFFFFB);
    EXPECT_EQ(d.GainSteps, -5);
    d.LoadGainWord(7);
    EXPECT_EQ(d.GainSteps, 7);
}

TEST(StoredStages, EachRateStartsFromTheDesignRateStagesAndGainWord) {
    // The calculation job's rate loop: every slot reloads the design-rate
    // records and gain word, so one slot's carry never reaches another.
    FilterDesign design = Chain(48000, {{3.0, 0.0, 0.0, 0.0, 0.0}, Peaking(60, 2, 6, 48000)}, -4);
    std::vector<halvane::design::Biquad> stored{design.StoredStage(0), design.StoredStage(1)};
    FilterDesign slot;
    slot.InitStages(2);
    for (int rate : {96000, 192000, 44100, 48000}) {
        slot.SampleRate = 48000;
        for (int k = 0; k < 2; ++k) slot.LoadStage(stored[static_cast<std::size_t>(k)], k);
        slot.LoadGainWord(static_cast<std::int32_t>(static_cast<std::uint32_t>(design.GainSteps) & 0xFFFFFFu));
        slot.ChangeSampleRate(rate);
        FilterDesign alone = design;
        alone.ChangeSampleRate(rate);
        EXPECT_EQ(slot.GainSteps, alone.GainSteps) << rate;
    }
}

TEST(StoredStages, ApplyingTheChainScalesMagnitudesOnly) {
    const auto f = fitcorpus::Grid();
    CCurve source = fitcorpus::Curve(f, [](double x) { return 1.0 + x / 10000.0; });
    for (int i = 0; i < source.Count(); ++i) source.B()[i] = 0.25;
    FilterDesign d;
    d.InitStages(4);
    d.SampleRate = 48000;
    d.GainSteps = 4;
    CCurve result;
    d.ApplyToCurve(result, source);
    ASSERT_EQ(result.Count(), source.Count());
    for (int i = 0; i < result.Count(); ++i) {
        EXPECT_NEAR(20 * std::log10(result.A()[i] / source.A()[i]), 2.0, 1e-12);
        EXPECT_EQ(result.B()[i], 0.25);
    }
    FilterDesign p = Chain(48000, {Peaking(1000, 2, 4, 48000)});
    p.ApplyToCurve(result, source);
    int at = 0;
    while (f[static_cast<std::size_t>(at)] < 1000.0) ++at;
    const std::complex<double> z = std::polar(1.0, -2 * kPi * f[static_cast<std::size_t>(at)] / 48000.0);
    const double expected = std::abs((1.0 + p.B1[0] * z + p.B2[0] * z * z) / (1.0 + p.A1[0] * z + p.A2[0] * z * z));
    EXPECT_NEAR(result.A()[at], source.A()[at] * expected, 1e-12);
}

}  // namespace
