// The spectral toolkit: Butterworth high-pass, smoothing, phase helpers.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "tests/support/TestData.h"
#include "halvane/signal/ButterworthFilter.h"
#include "halvane/signal/Phase.h"
#include "halvane/signal/SmoothComplexResponse.h"
#include "halvane/signal/SmoothingKernel.h"

using namespace halvane::signal;

// Reference: the matched-z images of scipy.signal.butter(2, w, 'high',
// analog=True) poles, and scipy.signal.lfilter(b, a, np.r_[x, x])[n:] (the
// steady state), both in data/make_reference.py.
TEST(ButterworthFilter, EqualsScipyOnTheDoubledBuffer) {
    const auto coeffs = testdata::Rows("butterworth_coefficients.txt");
    ASSERT_EQ(coeffs.size(), 2u);
    for (const auto& c : coeffs) {
        const int rate = static_cast<int>(c[0]);
        const double fc = c[1];
        const ButterworthHighPass f = DesignButterworthHighPass(rate, fc);
        EXPECT_NEAR(f.a1, c[2], 1e-14);
        EXPECT_NEAR(f.a2, c[3], 1e-14);
        EXPECT_NEAR(f.b0, c[4], 1e-14);
        EXPECT_EQ(f.b1, -2 * f.b0);
        EXPECT_EQ(f.b2, f.b0);

        const auto rows = testdata::Rows("butterworth_" + std::to_string(rate) + "_" +
                                         std::to_string(static_cast<int>(fc)) + ".txt");
        std::vector<double> x(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) x[i] = rows[i][0];
        ButterworthFilter(x.data(), static_cast<int>(x.size()), rate, fc);
        for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_NEAR(x[i], rows[i][1], 1e-11) << rate << " " << i;
    }
    // The design values the chirp processing relies on (10 Hz at 48 kHz).
    const ButterworthHighPass hp = DesignButterworthHighPass(48000, 10.0);
    EXPECT_NEAR(hp.a1, -1.9981488, 1e-7);
    EXPECT_NEAR(hp.a2, 0.99815051, 1e-8);
}

TEST(ButterworthFilter, RemovesDcAndPassesHalfTheSampleRate) {
    std::vector<double> dc(200000, 0.8);
    ButterworthFilter(dc.data(), static_cast<int>(dc.size()), 48000, 10.0);
    for (double v : dc) ASSERT_NEAR(v, 0.0, 1e-9);
    std::vector<double> nyquist(40000);  // the start transient dies out within the first pass
    for (std::size_t i = 0; i < nyquist.size(); ++i) nyquist[i] = i % 2 ? -1.0 : 1.0;
    ButterworthFilter(nyquist.data(), static_cast<int>(nyquist.size()), 48000, 10.0);
    for (std::size_t i = 0; i < nyquist.size(); ++i) ASSERT_NEAR(nyquist[i], i % 2 ? -1.0 : 1.0, 1e-12) << i;
}

TEST(Phase, UnwrapAndWrapHelpers) {
    double p[] = {0.0, 3.0, -3.0};
    UnwrapPhase(p, 3);
    EXPECT_EQ(p[0], 0.0);
    EXPECT_EQ(p[1], 3.0);
    EXPECT_NEAR(p[2], 3.283185307179586, 1e-15);
    double one[] = {5.0};
    UnwrapPhase(one, 1);  // nothing to compare with: left alone
    EXPECT_EQ(one[0], 5.0);
    // On a smooth ramp the prediction-based unwrap agrees with np.unwrap.
    std::vector<double> ramp(200), wrapped(200);
    for (int i = 0; i < 200; ++i) {
        ramp[i] = -0.3 * i + 0.001 * i * i;
        wrapped[i] = std::remainder(ramp[i], kPhaseTwoPi);
    }
    UnwrapPhase(wrapped.data(), 200);
    for (int i = 0; i < 200; ++i) EXPECT_NEAR(wrapped[i], ramp[i], 1e-12) << i;

    EXPECT_NEAR(WrapPhaseNear(0.0, 7.0), 7.0 - kPhaseTwoPi, 1e-15);
    EXPECT_EQ(WrapPhaseNear(0.0, kPhasePi), kPhasePi);
    EXPECT_EQ(WrapPhaseNear(0.0, -kPhasePi), -kPhasePi);
    EXPECT_NEAR(WrapPhaseNear(1.0, 1.0 + 1e6 * kPhaseTwoPi + 0.5), 1.5, 1e-8);  // computed, not looped
    EXPECT_NEAR(WrapPhaseNear(10.0, -3.0), -3.0 + 2 * kPhaseTwoPi, 1e-14);
    EXPECT_TRUE(std::isinf(WrapPhaseNear(0.0, INFINITY)));

    // Against the definition: one turn at a time.
    std::mt19937_64 gen(42);
    std::uniform_real_distribution<double> u(-60.0, 60.0);
    for (int i = 0; i < 20000; ++i) {
        const double r = u(gen);
        const double p0 = i % 7 == 0 ? r + kPhasePi * ((i / 7) % 5 - 2) : u(gen);  // include exact boundaries
        double loop = p0;
        while (r - loop > kPhasePi) loop += kPhaseTwoPi;
        while (r - loop < -kPhasePi) loop -= kPhaseTwoPi;
        const double w = WrapPhaseNear(r, p0);
        ASSERT_NEAR(w, loop, 1e-12) << r << " " << p0;
        ASSERT_TRUE(r - w >= -kPhasePi && r - w <= kPhasePi) << r << " " << p0;
    }

    double q[] = {-1e-3, kPhaseTwoPi, 7.0, -7.0, 0.0};
    WrapPhasePositive(5, q);
    EXPECT_NEAR(q[0], kPhaseTwoPi - 1e-3, 1e-15);
    EXPECT_EQ(q[1], 0.0);
    EXPECT_NEAR(q[2], 7.0 - kPhaseTwoPi, 1e-15);
    EXPECT_NEAR(q[3], 2 * kPhaseTwoPi - 7.0, 1e-15);
    double s[] = {kPhasePi, -kPhasePi, 3 * kPhasePi, 4.0, -4.0};
    WrapPhaseSymmetric(5, s);
    EXPECT_EQ(s[0], kPhasePi);
    EXPECT_EQ(s[1], kPhasePi);
    EXPECT_NEAR(s[2], kPhasePi, 1e-15);
    EXPECT_NEAR(s[3], 4.0 - kPhaseTwoPi, 1e-15);
    EXPECT_NEAR(s[4], kPhaseTwoPi - 4.0, 1e-15);
}

// Reference: |H|^2 from scipy.signal.butter(3, [2^-b/2, 2^b/2], 'bandpass',
// analog=True) and scipy.signal.freqs at the kernel positions
// (data/make_reference.py).
TEST(SmoothingKernel, BandPassWeightsEqualScipy) {
    const auto rows = testdata::Rows("bandpass_kernel.txt");
    ASSERT_FALSE(rows.empty());
    for (const auto& r : rows) {
        const SmoothingKernel k = MakeSmoothingKernel(true, 1.0 / r[0]);
        const int i = static_cast<int>(r[1]);
        EXPECT_NEAR(k.K[i], r[2], 1e-13 * r[2]) << r[0] << " " << i;
        EXPECT_NEAR(k.W[i], r[3], 1e-12) << r[0] << " " << i;
    }
    // The rounded-exponential kernel peaks at 1 at the centre and is cut at
    // about 0.01.
    const SmoothingKernel re = MakeSmoothingKernel(false, 1.0 / 6.0);
    EXPECT_NEAR(re.W[0], 0.01, 2e-4);
    EXPECT_NEAR(re.W[999], 0.01, 2e-4);
    EXPECT_FALSE(re.erb);
    EXPECT_TRUE(MakeSmoothingKernel(false, -0.5).erb);
}

namespace {

struct Response {
    std::vector<double> re, im, x;
};

// A 0..24000 Hz axis of 32769 points (step 0.732 Hz), constant value.
Response Flat(double re, double im, int n = 32769, double top = 24000.0) {
    Response r{std::vector<double>(n, re), std::vector<double>(n, im), std::vector<double>(n)};
    for (int i = 0; i < n; ++i) r.x[i] = i * (top / (n - 1));
    return r;
}

}  // namespace

// Reference grid: the same recurrence in numpy (data/make_reference.py).
TEST(SmoothComplexResponse, LogGridOfTheChirpProcessing) {
    Response r = Flat(0.5, 0.0);
    const int m = SmoothComplexResponse(32769, r.re, r.im, r.x, false, 1.0 / 6.0, 25, 5.0, 48000.0);
    ASSERT_EQ(m, 306);
    ASSERT_EQ(r.x.size(), 306u);
    const auto grid = testdata::Rows("smoothing_grid_25.txt");
    ASSERT_EQ(grid.size(), 306u);
    for (int i = 0; i < m; ++i) EXPECT_NEAR(r.x[i], grid[i][0], 1e-9 * grid[i][0]) << i;
    EXPECT_EQ(r.x[0], 5.0);
    EXPECT_NEAR(r.x[305], 23525.34, 0.005);
    // Flat stays flat (to rounding; a magnitude of exactly 1 stays exactly 1).
    for (int i = 0; i < m; ++i) {
        ASSERT_NEAR(r.re[i], 0.5, 1e-15) << i;
        ASSERT_EQ(r.im[i], 0.0) << i;
    }
    Response unit = Flat(1.0, 0.0);
    ASSERT_EQ(SmoothComplexResponse(32769, unit.re, unit.im, unit.x, false, 1.0 / 6.0, 25, 5.0, 48000.0), 306);
    for (int i = 0; i < 306; ++i) ASSERT_EQ(unit.re[i], 1.0) << i;
}

TEST(SmoothComplexResponse, ThirdOctaveGridAndScaling) {
    // A sloped response with a phase ramp, on a short axis ending at 10 kHz:
    // the 31 points still come out (values above the axis are clamped).
    Response r = Flat(1.0, 0.0, 4097, 10000.0);
    for (int i = 0; i < 4097; ++i) {
        const double mag = 1.0 + r.x[i] / 5000.0;
        const double ph = -r.x[i] * 1e-4;
        r.re[i] = mag * std::cos(ph);
        r.im[i] = mag * std::sin(ph);
    }
    Response scaled = r;
    for (auto* v : {&scaled.re, &scaled.im})
        for (double& e : *v) e *= 3.0;
    const int m = SmoothComplexResponse(4097, r.re, r.im, r.x, false, 1.0 / 3.0, -1, 0, 0);
    const int m3 = SmoothComplexResponse(4097, scaled.re, scaled.im, scaled.x, false, 1.0 / 3.0, -1, 0, 0);
    ASSERT_EQ(m, 31);
    ASSERT_EQ(m3, 31);
    EXPECT_EQ(r.x.front(), 20.0);
    EXPECT_EQ(r.x[17], 1000.0);
    EXPECT_EQ(r.x.back(), 20000.0);
    for (int i = 0; i < 31; ++i) {
        EXPECT_NEAR(scaled.re[i], 3.0 * r.re[i], 1e-12 * std::fabs(scaled.re[i]) + 1e-12) << i;
        EXPECT_NEAR(scaled.im[i], 3.0 * r.im[i], 1e-12 * std::fabs(scaled.im[i]) + 1e-12) << i;
        EXPECT_TRUE(std::isfinite(r.re[i]) && std::isfinite(r.im[i])) << i;
    }
    // Inside the axis the smoothed magnitude follows the slope closely.
    EXPECT_NEAR(std::hypot(r.re[17], r.im[17]), 1.2, 0.01);
}

TEST(SmoothComplexResponse, InputGridKeepsTheAxisAndTooShortInputIsRefused) {
    Response r = Flat(0.0, 2.0, 1000, 1000.0);
    const std::vector<double> axis = r.x;
    const int m = SmoothComplexResponse(1000, r.re, r.im, r.x, true, 1.0 / 1.5, 0, 0, 0);
    ASSERT_EQ(m, 1000);
    EXPECT_EQ(r.x, axis);
    // The 0 Hz point gets phase 0 and the magnitude min(|H(0)|, next) = 2.
    EXPECT_NEAR(r.re[0], 2.0, 1e-12);
    EXPECT_EQ(r.im[0], 0.0);
    for (int i = 1; i < 1000; ++i) EXPECT_NEAR(std::hypot(r.re[i], r.im[i]), 2.0, 1e-12) << i;

    Response tiny = Flat(1.0, 0.0, 2, 100.0);
    const Response before = tiny;
    EXPECT_EQ(SmoothComplexResponse(2, tiny.re, tiny.im, tiny.x, false, 1.0 / 6.0, -1, 0, 0), -1);
    EXPECT_EQ(tiny.re, before.re);
    EXPECT_EQ(tiny.x, before.x);
}

TEST(SmoothComplexResponse, ErbModeStaysFlat) {
    Response r = Flat(0.0, -1.5);
    const int m = SmoothComplexResponse(32769, r.re, r.im, r.x, false, -0.5, 25, 5.0, 48000.0);
    ASSERT_EQ(m, 306);
    for (int i = 0; i < m; ++i) EXPECT_NEAR(std::hypot(r.re[i], r.im[i]), 1.5, 1e-12) << i;
}

// Short axes put the interpolation brackets and the Lagrange points at the
// very end of the input: every one stays on the axis (the sanitizers
// watch), and the values stay finite.
TEST(SmoothComplexResponse, ShortAxesStayInBounds) {
    for (int n = 3; n <= 6; ++n) {
        for (int perOctave : {25, -1, 0, 3}) {
            for (double fraction : {1.0 / 6.0, 1.0 / 1.5, -0.5}) {
                Response r = Flat(0.7, 0.2, n, 60.0 * (n - 1));
                const int m = SmoothComplexResponse(n, r.re, r.im, r.x, fraction > 0.5, fraction, perOctave, 5.0,
                                                    48000.0);
                ASSERT_GT(m, 0) << n << " " << perOctave;
                ASSERT_EQ(r.re.size(), static_cast<std::size_t>(m));
                for (int i = 0; i < m; ++i) {
                    EXPECT_TRUE(std::isfinite(r.re[i]) && std::isfinite(r.im[i]))
                        << n << " " << perOctave << " " << fraction << " " << i;
                }
            }
        }
    }
}
