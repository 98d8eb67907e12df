// The complex FFT against a naive DFT, against numpy.fft, and its rules.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <thread>
#include <vector>

#include "tests/support/TestData.h"
#include "halvane/signal/ComplexFft.h"

using namespace halvane::signal;

namespace {

struct Signal {
    std::vector<double> re, im;
};

Signal Random(int n, unsigned seed) {
    std::mt19937_64 gen(seed);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    Signal s{std::vector<double>(n), std::vector<double>(n)};
    for (int i = 0; i < n; ++i) {
        s.re[i] = u(gen);
        s.im[i] = u(gen);
    }
    return s;
}

// Bin k of the DFT, summed in long double with the angle reduced exactly
// (m k mod n), so the reference is far more accurate than the tolerance.
void NaiveBin(const Signal& s, int k, double& outRe, double& outIm) {
    const long long n = static_cast<long long>(s.re.size());
    long double sr = 0, si = 0;
    for (long long m = 0; m < n; ++m) {
        const long double a = -2.0L * 3.14159265358979323846264338327950288L * ((m * k) % n) / n;
        const long double c = std::cos(a), sn = std::sin(a);
        sr += s.re[m] * c - s.im[m] * sn;
        si += s.re[m] * sn + s.im[m] * c;
    }
    outRe = static_cast<double>(sr);
    outIm = static_cast<double>(si);
}

}  // namespace

TEST(ComplexFft, EqualsNaiveDftForEveryPowerOfTwo) {
    for (int log2n = 1; log2n <= 16; ++log2n) {
        const int n = 1 << log2n;
        const Signal in = Random(n, 100 + log2n);
        Signal out = in;
        ASSERT_EQ(ComplexFft(1, n, out.re.data(), out.im.data()), 0) << n;
        // Every bin up to 1024 points; beyond, 97 bins spread over the range
        // and the first and last few (a full naive DFT of 65536 takes minutes).
        std::vector<int> bins;
        if (n <= 1024) {
            for (int k = 0; k < n; ++k) bins.push_back(k);
        } else {
            for (int k = 0; k < 8; ++k) bins.push_back(k);
            for (int k = n - 8; k < n; ++k) bins.push_back(k);
            for (int j = 0; j < 97; ++j) bins.push_back(static_cast<int>((j * 2654435761u) % n));
        }
        // Rounding grows like sqrt(n log n) times the value scale sqrt(n).
        const double tol = 1e-14 * std::sqrt(static_cast<double>(n)) * log2n * 8;
        for (int k : bins) {
            double r, i;
            NaiveBin(in, k, r, i);
            ASSERT_NEAR(out.re[k], r, tol) << "n " << n << " bin " << k;
            ASSERT_NEAR(out.im[k], i, tol) << "n " << n << " bin " << k;
        }
    }
}

// Reference: np.fft.fft(re + 1j*im) in data/make_reference.py.
TEST(ComplexFft, EqualsNumpy) {
    for (int n : {16, 256}) {
        const auto rows = testdata::Rows("fft_" + std::to_string(n) + ".txt");
        ASSERT_EQ(static_cast<int>(rows.size()), n);
        std::vector<double> re(n), im(n);
        for (int i = 0; i < n; ++i) {
            re[i] = rows[i][0];
            im[i] = rows[i][1];
        }
        ASSERT_EQ(ComplexFft(1, n, re.data(), im.data()), 0);
        for (int i = 0; i < n; ++i) {
            EXPECT_NEAR(re[i], rows[i][2], 1e-12) << n << " " << i;
            EXPECT_NEAR(im[i], rows[i][3], 1e-12) << n << " " << i;
        }
    }
}

TEST(ComplexFft, ForwardThenInverseIsTheIdentity) {
    for (int n : {2, 4, 8, 1024, 65536, 131072}) {
        const Signal in = Random(n, 7u + n);
        Signal s = in;
        ASSERT_EQ(ComplexFft(1, n, s.re.data(), s.im.data()), 0);
        ASSERT_EQ(ComplexFft(-1, n, s.re.data(), s.im.data()), 0);
        double worst = 0;
        for (int i = 0; i < n; ++i) {
            worst = std::max(worst, std::fabs(s.re[i] - in.re[i]));
            worst = std::max(worst, std::fabs(s.im[i] - in.im[i]));
        }
        EXPECT_LT(worst, 1e-12) << n;
    }
}

TEST(ComplexFft, KnownSignals) {
    // n = 2 is one butterfly.
    double re2[] = {3.0, 1.0}, im2[] = {0.5, -0.5};
    ASSERT_EQ(ComplexFft(0, 2, re2, im2), 0);  // any direction but -1 is forward
    EXPECT_EQ(re2[0], 4.0);
    EXPECT_EQ(re2[1], 2.0);
    EXPECT_EQ(im2[0], 0.0);
    EXPECT_EQ(im2[1], 1.0);
    // A cosine at bin 3 of 64 gives n/2 at bins 3 and 61, unscaled.
    const int n = 64;
    std::vector<double> re(n), im(n, 0.0);
    for (int i = 0; i < n; ++i) re[i] = std::cos(2 * M_PI * 3 * i / n);
    ASSERT_EQ(ComplexFft(1, n, re.data(), im.data()), 0);
    for (int k = 0; k < n; ++k) {
        EXPECT_NEAR(re[k], (k == 3 || k == 61) ? 32.0 : 0.0, 1e-12) << k;
        EXPECT_NEAR(im[k], 0.0, 1e-12) << k;
    }
}

TEST(ComplexFft, InvalidSizesReturnMinusOneAndTouchNothing) {
    for (int n : {-4, 0, 1, 3, 6, 12, 1000}) {
        std::vector<double> re(1024, 1.25), im(1024, -0.5);
        EXPECT_EQ(ComplexFft(1, n, re.data(), im.data()), -1) << n;
        EXPECT_EQ(ComplexFft(-1, n, re.data(), im.data()), -1) << n;
        for (int i = 0; i < 1024; ++i) {
            ASSERT_EQ(re[i], 1.25);
            ASSERT_EQ(im[i], -0.5);
        }
    }
}

TEST(ComplexFft, SineTableReadsEveryQuadrant) {
    ASSERT_EQ(BuildSineTable(1024), 0);
    ASSERT_EQ(BuildSineTable(16), 0);  // reuses the larger table with stride 64
    for (int k = 0; k <= 20; ++k) EXPECT_NEAR(SineAt(k), std::sin(2 * M_PI * k / 16), 1e-15) << k;
    EXPECT_EQ(SineAt(4), 1.0);
    EXPECT_EQ(SineAt(12), -1.0);
}

// Transforms on several threads while the shared tables grow: every result
// still equals the one computed alone (the tables are never changed under a
// running transform).
TEST(ComplexFft, ConcurrentTransformsWhileTheTablesGrow) {
    // 2^19 is larger than any transform before it, so the tables grow while
    // the other threads transform.
    const int sizes[] = {256, 4096, 32768, 131072, 1 << 19};
    std::vector<Signal> results(5);
    std::vector<std::thread> threads;
    for (int t = 0; t < 5; ++t) {
        threads.emplace_back([&, t] {
            const int n = sizes[t];
            Signal s = Random(n, 1234u + n);
            if (ComplexFft(1, n, s.re.data(), s.im.data()) == 0) results[t] = std::move(s);
        });
    }
    for (auto& th : threads) th.join();
    for (int t = 0; t < 5; ++t) {
        const int n = sizes[t];
        Signal s = Random(n, 1234u + n);
        ASSERT_EQ(ComplexFft(1, n, s.re.data(), s.im.data()), 0);
        EXPECT_TRUE(results[t].re == s.re && results[t].im == s.im) << n;
    }
}
