// The cascade fitter: its stopping rules on a perfect measurement, the
// stage tools, the gain word, and a corpus of recoverable, room-like and
// pathological channels at three rates.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <numbers>
#include <stdexcept>

#include "FitCorpus.h"
#include "halvane/design/FilterDesign.h"
#include "halvane/design/FitQuality.h"
#include "halvane/design/StageMath.h"

#if defined(_OPENMP)
#include <omp.h>
#endif

namespace {

constexpr double kPi = std::numbers::pi;

struct FitResult {
    FilterDesign design;
    double error = 0.0;
};

FitResult Fit(const fitcorpus::Case& c) {
    FitResult r;
    r.design.Clear();
    r.design.InitStages(c.stages);
    r.design.SampleRate = c.rate;
    r.design.TargetCurve = &c.target;
    FitOptions options;
    options.IsSubwoofer = c.subwoofer ? 1 : 0;
    r.error = FitCorrectionFilter(r.design, c.measured, options, c.lower, c.upper, c.level);
    r.design.Finalize();
    return r;
}

BandError Band(const fitcorpus::Case& c, const FilterDesign& d) {
    const FitBand band = FittedBand(c.rate, c.lower, c.upper, false);
    return MeasureBandError(c.measured, c.target, d, c.level, band.lower, band.upper);
}

// What every finished chain must be, whatever it was fitted to: finite,
// stable, every coefficient word in range, the running response at most 1
// after every stage on the staging grid, the remainder under one gain step.
void ExpectSound(const FilterDesign& d, const std::string& name) {
    SCOPED_TRACE(name);
    ASSERT_EQ(d.B0.size(), static_cast<std::size_t>(d.StageCount));
    // The grid the chain's levels are staged on: 0 Hz, 254 points from
    // 15 Hz to 20 kHz in equal ratios, the Nyquist frequency.
    std::vector<double> grid{0.0};
    for (int k = 0; k < 254; ++k) grid.push_back(2 * kPi * 15.0 * std::pow(4000.0 / 3.0, k / 253.0) / d.SampleRate);
    grid.push_back(kPi);
    std::vector<double> running(grid.size(), 1.0);
    for (std::size_t k = 0; k < d.B0.size(); ++k) {
        for (double c : {d.B0[k], d.B1[k], d.B2[k], d.A1[k], d.A2[k]}) {
            EXPECT_TRUE(std::isfinite(c));
            EXPECT_LE(std::abs(c / 2.0), 1.0);
        }
        EXPECT_EQ(d.A0[k], 1.0);
        EXPECT_TRUE(stage_math::IsStable(d.A1[k], d.A2[k])) << "stage " << k << ": " << d.A1[k] << ", " << d.A2[k];
        for (std::size_t i = 0; i < running.size(); ++i) {
            const std::complex<double> z = std::polar(1.0, -grid[i]);
            running[i] *= std::abs((d.B0[k] + d.B1[k] * z + d.B2[k] * z * z) / (1.0 + d.A1[k] * z + d.A2[k] * z * z));
        }
        for (double r : running) EXPECT_LE(r, 1.0 + 1e-9) << "after stage " << k;
    }
    EXPECT_TRUE(std::isfinite(d.FitGain));
    EXPECT_LE(d.FitGain, 1.0);
    EXPECT_GE(20.0 * std::log10(d.FitGain), -0.5 - 1e-12);
}

TEST(CascadeFit, AMeasurementEqualToItsTargetNeedsNoStage) {
    const auto f = fitcorpus::Grid();
    const CCurve target = fitcorpus::Curve(f, fitcorpus::SpeakerTarget);
    FilterDesign d;
    d.InitStages(10);
    d.SampleRate = 96000;
    d.TargetCurve = &target;
    const double e = FitCorrectionFilter(d, target, FitOptions{}, 26.667, 20000.0, 0.0);
    EXPECT_LT(e, 0.001);
    for (double p : d.Params) EXPECT_EQ(p, 0.0);
    d.Finalize();
    EXPECT_EQ(d.GainSteps, 0);
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(d.B0[k], 1.0);
        EXPECT_EQ(d.B1[k], 0.0);
        EXPECT_EQ(d.B2[k], 0.0);
        EXPECT_EQ(d.A1[k], 0.0);
        EXPECT_EQ(d.A2[k], 0.0);
    }
}

TEST(CascadeFit, ATargetWithoutPointsCannotBeFitted) {
    CCurve empty(0, 0, 1);
    FilterDesign d;
    d.InitStages(5);
    d.TargetCurve = &empty;
    try {
        FitCorrectionFilter(d, empty, FitOptions{}, 30, 1000, 0);
        FAIL() << "no exception";
    } catch (const std::logic_error& e) {
        EXPECT_STREQ(e.what(), "Can't allocate 0 sized array");
    }
}

TEST(CascadeFit, TheBandTopStaysBelowAQuarterOfTheRateAndTwelveKilohertz) {
    EXPECT_DOUBLE_EQ(FittedBand(96000, 30, 20000, false).upper, 12000.0);
    EXPECT_DOUBLE_EQ(FittedBand(32000, 30, 20000, false).upper, 8000.0);
    EXPECT_DOUBLE_EQ(FittedBand(96000, 30, 5000, false).upper, 5000.0 / std::numbers::sqrt2);
    EXPECT_DOUBLE_EQ(FittedBand(96000, 30, 5000, true).upper, 10000.0 / std::numbers::sqrt2);
    EXPECT_DOUBLE_EQ(FittedBand(96000, 30, 5000, false).lower, 30.0 * std::numbers::sqrt2);
}

TEST(StageTools, TheQLimitFollowsTheResonanceFrequency) {
    EXPECT_DOUBLE_EQ(stage_math::AllowedQ(40.0, 16.0), 8.0);
    EXPECT_DOUBLE_EQ(stage_math::AllowedQ(5.0, 16.0), 2.0);
    EXPECT_DOUBLE_EQ(stage_math::AllowedQ(80.0, 16.0), 16.0);
    EXPECT_DOUBLE_EQ(stage_math::AllowedQ(5000.0, 16.0), 16.0);
    // A Q-40 pair is rebuilt with the allowed Q at its own angle.
    for (double f : {5.0, 40.0, 80.0, 1000.0}) {
        const double rate = 48000.0;
        double c1, c2;
        stage_math::PlacedPair(2 * kPi * f / rate, 40.0, c1, c2);
        const double theta = std::acos(-c1 / (2 * std::sqrt(c2)));
        double f0, q0;
        ASSERT_TRUE(stage_math::PairResonance(c1, c2, rate, f0, q0));
        EXPECT_NEAR(f0, f, 1e-7 * f);  // acos near 1 holds about 8 digits at 5 Hz
        EXPECT_NEAR(q0, 40.0, 4e-6);
        ASSERT_TRUE(stage_math::LimitPairQ(c1, c2, rate, 16.0));
        double fr, q;
        ASSERT_TRUE(stage_math::PairResonance(c1, c2, rate, fr, q));
        EXPECT_NEAR(std::acos(-c1 / (2 * std::sqrt(c2))), theta, 1e-12);
        EXPECT_NEAR(q, stage_math::AllowedQ(f0, 16.0), 1e-7 * q) << f;
        EXPECT_FALSE(stage_math::LimitPairQ(c1, c2, rate, 16.0 * 1.0001));
    }
    // A pair on the unit circle has no finite Q and is limited too.
    double c1 = -2.0 * std::cos(0.1), c2 = 1.0;
    EXPECT_TRUE(stage_math::LimitPairQ(c1, c2, 48000.0, 16.0));
    EXPECT_LT(c2, 1.0);
}

// |H| along 512 frequencies of 1 + c1 z^-1 + c2 z^-2 (times x).
std::vector<double> Shape(double x, double c1, double c2) {
    std::vector<double> m;
    for (int i = 0; i < 512; ++i) {
        const std::complex<double> z = std::polar(1.0, -kPi * (i + 0.5) / 512.0);
        m.push_back(std::abs(x + c1 * z + c2 * z * z));
    }
    return m;
}

TEST(StageTools, StabilizingKeepsTheMagnitudeShape) {
    // A complex pair at radius 1.25, two real roots outside, one inside and
    // one outside: every result is stable and its |H| a constant multiple.
    const double cases[][3] = {{1.0, -2.0 * 1.25 * std::cos(0.3), 1.25 * 1.25},
                               {2.0, 2.0 * -(1.5 + -1.1), 2.0 * 1.5 * -1.1},
                               {1.0, -(0.5 + 3.0), 0.5 * 3.0},
                               {1.0, -(-0.9 + 1.0), -0.9}};
    for (const auto& c : cases) {
        double x = c[0], y = c[1], z = c[2], scale = 0.0;
        const auto before = Shape(x, y, z);
        ASSERT_TRUE(stage_math::StabilizeSection(x, y, z, &scale));
        EXPECT_EQ(x, c[0]);
        EXPECT_TRUE(stage_math::IsStable(y / x, z / x)) << y << " " << z;
        const auto after = Shape(x, y, z);
        for (std::size_t i = 0; i < before.size(); ++i) EXPECT_NEAR(before[i] / after[i], scale, 1e-12 * scale);
    }
    double x = 1.0, y = -1.2, z = 0.5;
    EXPECT_FALSE(stage_math::StabilizeSection(x, y, z));
    EXPECT_EQ(y, -1.2);
}

TEST(CascadeFit, TheGainWordTakesWholeStepsAndTheRestGoesToTheFirstStage) {
    for (const auto& [db, steps, rest] : {std::tuple{-3.2, -5, -0.7}, std::tuple{3.2, 7, -0.3}, std::tuple{0.0, 0, 0.0}}) {
        FilterDesign d;
        d.InitStages(3);
        d.FitGain = std::pow(10.0, db / 20.0);
        d.Finalize();
        EXPECT_EQ(d.GainSteps, steps) << db;
        EXPECT_NEAR(d.B0[0], std::pow(10.0, rest / 20.0), 1e-12) << db;
        EXPECT_EQ(d.B0[1], 1.0);
    }
}

double Time(const std::function<void()>& f) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Each corpus at the rates the calculation job fits at (the design rates
// and 32 kHz), one test per rate.
class CorpusAtRate : public ::testing::TestWithParam<int> {};

TEST_P(CorpusAtRate, RecoverableChannelsAreCorrectedToATenthOfADecibel) {
    {
        const int rate = GetParam();
        for (const auto& c : fitcorpus::RecoverableCases(rate)) {
            FitResult r;
            const double s = Time([&] { r = Fit(c); });
            const BandError e = Band(c, r.design);
            std::printf("%-24s %6d  rms %.4f  max %.4f  err %.3g  %.2fs\n", c.name.c_str(), rate, e.rms, e.max, r.error, s);
            EXPECT_LT(e.rms, 0.1) << c.name << " at " << rate;
            ExpectSound(r.design, c.name);
        }
    }
}


TEST_P(CorpusAtRate, EveryChannelOfTheCorpusGivesASoundChain) {
    {
        const int rate = GetParam();
        auto cases = fitcorpus::RoomCases(rate);
        for (auto& c : fitcorpus::PathologicalCases(rate)) cases.push_back(std::move(c));
        for (const auto& c : cases) {
            FitResult r;
            const double s = Time([&] { r = Fit(c); });
            const BandError e = Band(c, r.design);
            const FitBand band = FittedBand(c.rate, c.lower, c.upper, false);
            const BandError u = UncorrectedBandError(c.measured, c.target, c.level, band.lower, band.upper);
            std::printf("%-30s %6d  rms %.4f (from %.3f) max %.4f  steps %d  %.2fs\n", c.name.c_str(), rate, e.rms, u.rms,
                        e.max, r.design.GainSteps, s);
            EXPECT_TRUE(std::isfinite(r.error));
            ExpectSound(r.design, c.name + " at " + std::to_string(rate));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, CorpusAtRate, ::testing::Values(96000, 192000, 32000));


TEST(CascadeFit, TheSameChannelGivesTheSameStagesOnOneThreadOrMany) {
    const auto c = fitcorpus::RoomCases(96000)[1];
    std::vector<FitResult> runs;
    for (int threads : {1, 8, 1}) {
#if defined(_OPENMP)
        omp_set_num_threads(threads);
#else
        (void)threads;
#endif
        runs.push_back(Fit(c));
    }
    for (const auto& r : runs) {
        EXPECT_EQ(r.error, runs[0].error);
        EXPECT_EQ(r.design.Params, runs[0].design.Params);
        EXPECT_EQ(r.design.B0, runs[0].design.B0);
        EXPECT_EQ(r.design.B1, runs[0].design.B1);
        EXPECT_EQ(r.design.A2, runs[0].design.A2);
        EXPECT_EQ(r.design.GainSteps, runs[0].design.GainSteps);
    }
}

}  // namespace
