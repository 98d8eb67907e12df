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
#include "halvane/design/FitEngine.h"
#include "halvane/design/FitQuality.h"
#include "halvane/design/StageMath.h"

#if defined(_OPENMP)
#include <omp.h>
#endif

using namespace halvane::design;
using namespace halvane::signal;

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
        EXPECT_TRUE(halvane::design::stage_math::IsStable(d.A1[k], d.A2[k])) << "stage " << k << ": " << d.A1[k] << ", " << d.A2[k];
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
    EXPECT_DOUBLE_EQ(halvane::design::stage_math::AllowedQ(40.0, 16.0), 8.0);
    EXPECT_DOUBLE_EQ(halvane::design::stage_math::AllowedQ(5.0, 16.0), 2.0);
    EXPECT_DOUBLE_EQ(halvane::design::stage_math::AllowedQ(80.0, 16.0), 16.0);
    EXPECT_DOUBLE_EQ(halvane::design::stage_math::AllowedQ(5000.0, 16.0), 16.0);
    // A Q-40 pair is rebuilt with the allowed Q at its own angle.
    for (double f : {5.0, 40.0, 80.0, 1000.0}) {
        const double rate = 48000.0;
        double c1, c2;
        halvane::design::stage_math::PlacedPair(2 * kPi * f / rate, 40.0, c1, c2);
        const double theta = std::acos(-c1 / (2 * std::sqrt(c2)));
        double f0, q0;
        ASSERT_TRUE(halvane::design::stage_math::PairResonance(c1, c2, rate, f0, q0));
        EXPECT_NEAR(f0, f, 1e-7 * f);  // acos near 1 holds about 8 digits at 5 Hz
        EXPECT_NEAR(q0, 40.0, 4e-6);
        ASSERT_TRUE(halvane::design::stage_math::LimitPairQ(c1, c2, rate, 16.0));
        double fr, q;
        ASSERT_TRUE(halvane::design::stage_math::PairResonance(c1, c2, rate, fr, q));
        EXPECT_NEAR(std::acos(-c1 / (2 * std::sqrt(c2))), theta, 1e-12);
        EXPECT_NEAR(q, halvane::design::stage_math::AllowedQ(f0, 16.0), 1e-7 * q) << f;
        EXPECT_FALSE(halvane::design::stage_math::LimitPairQ(c1, c2, rate, 16.0 * 1.0001));
    }
    // A pair on the unit circle has no finite Q and is limited too.
    double c1 = -2.0 * std::cos(0.1), c2 = 1.0;
    EXPECT_TRUE(halvane::design::stage_math::LimitPairQ(c1, c2, 48000.0, 16.0));
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
        ASSERT_TRUE(halvane::design::stage_math::StabilizeSection(x, y, z, &scale));
        EXPECT_EQ(x, c[0]);
        EXPECT_TRUE(halvane::design::stage_math::IsStable(y / x, z / x)) << y << " " << z;
        const auto after = Shape(x, y, z);
        for (std::size_t i = 0; i < before.size(); ++i) EXPECT_NEAR(before[i] / after[i], scale, 1e-12 * scale);
    }
    // Roots on the unit circle (a pair, a real root at 1) are pulled just inside.
    for (auto [y0, z0] : {std::pair{-2.0 * std::cos(0.2), 1.0}, std::pair{-1.0, 0.0}, std::pair{1.0, 0.0}}) {
        double x1 = 1.0, y1 = y0, z1 = z0;
        EXPECT_TRUE(halvane::design::stage_math::StabilizeSection(x1, y1, z1));
        EXPECT_TRUE(halvane::design::stage_math::IsStable(y1, z1)) << y0 << " " << z0;
        EXPECT_NEAR(y1, y0, 1e-11);
    }
    double x = 1.0, y = -1.2, z = 0.5;
    EXPECT_FALSE(halvane::design::stage_math::StabilizeSection(x, y, z));
    EXPECT_EQ(y, -1.2);
}

TEST(CascadeFit, TheGainWordTakesWholeStepsAndTheRestGoesToTheFirstStage) {
    for (const auto& [db, steps, rest] :
         {std::tuple{-3.2, -5, -0.7}, std::tuple{3.2, 7, -0.3}, std::tuple{0.0, 0, 0.0}}) {
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
            std::printf("%-24s %6d  rms %.4f  max %.4f  err %.3g  %.2fs\n", c.name.c_str(), rate, e.rms, e.max, r.error,
                        s);
            EXPECT_LT(e.rms, 0.1) << c.name << " at " << rate;
            ExpectSound(r.design, c.name);
        }
    }
}

// E_band RMS of the room-like channels in the first accepted build, per rate
// (96, 192, 32 kHz) in corpus order; a later fit may be at most 1.25 times
// worse (a regression guard, not a quality claim).
double RoomBaseline(int rate, std::size_t index) {
    static const double kBaseline[3][5] = {{0.2279, 0.1089, 0.0833, 0.1000, 0.0320},
                                           {0.2316, 0.1422, 0.0829, 0.1121, 0.1136},
                                           {0.1230, 0.1483, 0.0659, 0.0819, 0.0212}};
    const int row = rate == 96000 ? 0 : rate == 192000 ? 1 : 2;
    return kBaseline[row][index];
}

TEST_P(CorpusAtRate, EveryChannelOfTheCorpusGivesASoundChain) {
    {
        const int rate = GetParam();
        auto cases = fitcorpus::RoomCases(rate);
        const std::size_t roomCount = cases.size();
        for (auto& c : fitcorpus::PathologicalCases(rate)) cases.push_back(std::move(c));
        for (std::size_t i = 0; i < cases.size(); ++i) {
            const auto& c = cases[i];
            FitResult r;
            const double s = Time([&] { r = Fit(c); });
            const BandError e = Band(c, r.design);
            const FitBand band = FittedBand(c.rate, c.lower, c.upper, false);
            const BandError u = UncorrectedBandError(c.measured, c.target, c.level, band.lower, band.upper);
            std::printf("%-30s %6d  rms %.4f (from %.3f) max %.4f  steps %d  %.2fs\n", c.name.c_str(), rate, e.rms,
                        u.rms, e.max, r.design.GainSteps, s);
            EXPECT_TRUE(std::isfinite(r.error));
            // A dropout point must not take the gain word to its -800 dB.
            if (c.name == "a zero point in band") {
                EXPECT_LE(std::abs(r.design.GainSteps), 24);
            }
            if (i < roomCount) {
                EXPECT_LE(e.rms, 1.25 * RoomBaseline(rate, i)) << c.name;
                EXPECT_LT(e.rms, u.rms) << c.name;
            }
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

namespace {

// A prepared design of `n` fit points spread over (0, pi) with desired
// magnitudes t, as FitCorrectionFilter leaves it before growing.
FilterDesign Prepared(const std::vector<double>& t, int stages) {
    FilterDesign d;
    d.InitStages(stages);
    const auto n = t.size();
    d.PointCount = static_cast<int>(n);
    for (auto* v : {&d.CosW, &d.Cos2W, &d.NegSinW, &d.NegSin2W, &d.CascadeMag, &d.Residual, &d.Omega})
        v->assign(n, 0.0);
    d.TargetMag = t;
    for (std::size_t i = 0; i < n; ++i) {
        const double w = kPi * (static_cast<double>(i) + 0.5) / static_cast<double>(n);
        d.Omega[i] = w;
        d.CosW[i] = std::cos(w);
        d.Cos2W[i] = std::cos(2 * w);
        d.NegSinW[i] = -std::sin(w);
        d.NegSin2W[i] = -std::sin(2 * w);
    }
    return d;
}

TEST(FitSolver, ASingularSystemEndsTheSolveAndKeepsTheParameters) {
    // A zero target makes the gain 0 and every Jacobian column 0.
    FilterDesign d = Prepared(std::vector<double>(40, 0.0), 2);
    d.Params = {0.1, 0.2, -0.3, 0.1, 0, 0, 0, 0};
    const auto before = d.Params;
    FitEngine engine(d, 48000);
    double e = -1;
    EXPECT_EQ(engine.Solve(8, 100, 1e-10, e), -2);
    EXPECT_EQ(d.Params, before);
    EXPECT_EQ(e, 0.0);
    // No parameters: nothing to solve, the error of no stages.
    EXPECT_EQ(engine.Solve(0, 10, 1e-6, e), 0);
}

TEST(FitSolver, ABoostBeyondAnyFiniteGainIsPlacedAtTwelveDecibels) {
    // t = 3 h with G = 1 makes h + r = 2h - t negative at the dip: the
    // placement takes +12 dB there instead of the logarithm of a negative.
    std::vector<double> t(60, 1.0);
    for (int i = 25; i < 30; ++i) t[static_cast<std::size_t>(i)] = 30.0;
    FilterDesign d = Prepared(t, 1);
    FitEngine engine(d, 48000);
    ASSERT_TRUE(engine.PlaceStage(0, 0, 59));
    for (double p : d.Params) EXPECT_TRUE(std::isfinite(p));
    double f, qz, qp;
    ASSERT_TRUE(halvane::design::stage_math::PairResonance(d.Params[0], d.Params[1], 48000, f, qz));
    ASSERT_TRUE(halvane::design::stage_math::PairResonance(d.Params[2], d.Params[3], 48000, f, qp));
    EXPECT_NEAR(qp / qz, std::pow(10.0, 12.0 / 20.0), 1e-9);
    EXPECT_GE(qp, 8.0);
}

TEST(FitSolver, TheFitGainBelongsToTheKeptStages) {
    const auto c = fitcorpus::RoomCases(48000)[0];
    FilterDesign d;
    d.InitStages(5);
    d.SampleRate = c.rate;
    d.TargetCurve = &c.target;
    const double e = FitCorrectionFilter(d, c.measured, FitOptions{}, c.lower, c.upper, c.level);
    const double gain = d.FitGain;
    FitEngine engine(d, c.rate);
    EXPECT_EQ(engine.Error(20), e);
    EXPECT_EQ(d.FitGain, gain);
}

TEST(FitSolver, TheBandCheckMovesOutOfBandStagesBehindTheOthers) {
    FilterDesign d = Prepared(std::vector<double>(10, 1.0), 3);
    double a1, a2;
    const double lo = 0.01, hi = 0.5;
    halvane::design::stage_math::PlacedPair(0.9, 4.0, a1, a2);  // above the band
    d.Params = {0.1, 0.0, a1, a2, 0.2, 0.0, 0.0, 0.0, 0.3, 0.0, 0.0, 0.0};
    halvane::design::stage_math::PlacedPair(0.1, 4.0, d.Params[10], d.Params[11]);  // in band
    FitEngine engine(d, 48000);
    EXPECT_EQ(engine.BandCheck(lo, hi), 2);
    // The identity denominator (poles at 0) stays in band; the moved stage
    // comes last with its numerator.
    EXPECT_EQ(d.Params[0], 0.2);
    EXPECT_EQ(d.Params[4], 0.3);
    EXPECT_EQ(d.Params[8], 0.1);
    EXPECT_EQ(d.Params[10], a1);
    EXPECT_EQ(engine.BandCheck(lo, hi), 2);
    // A real pole near +1 (a few Hz) is out of band too.
    d.Params = {0, 0, -0.9999, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(engine.BandCheck(lo, hi), 2);
    d.Params.assign(12, 0.0);
    EXPECT_EQ(engine.BandCheck(lo, hi), -1);
}

}  // namespace
