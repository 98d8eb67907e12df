#include "halvane/signal/WindowRotation.h"

#include <algorithm>
#include <vector>

namespace halvane::signal::AudioSampler {

namespace {

long long FloorMod(long long a, long long n) {
    const long long r = a % n;
    return r < 0 ? r + n : r;
}

// The end of the window whose energy is extreme. The running sum is
// recomputed from scratch every W steps so rounding cannot build up over a
// long array: a planted quiet window's energy is tiny next to the rest, and
// a drifting sum could hide it.
template <typename Better>
int ExtremeWindowEnd(const double* x, int n, int w, Better better) {
    if (n < 1 || w < 1) return 0;
    double mean = 0.0;
    for (int i = 0; i < n; ++i) mean += x[i];
    mean /= n;
    std::vector<double> e(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) e[i] = (x[i] - mean) * (x[i] - mean);
    auto at = [&](long long j) { return e[static_cast<std::size_t>(FloorMod(j, n))]; };
    auto full = [&](int k) {
        double s = 0.0;
        for (long long j = static_cast<long long>(k) - w + 1; j <= k; ++j) s += at(j);
        return s;
    };
    double sum = full(0);
    int bestK = 0;
    double best = sum;
    for (int k = 1; k < n; ++k) {
        if (k % w == 0)
            sum = full(k);
        else
            sum += at(k) - at(static_cast<long long>(k) - w);
        if (better(sum, best)) {
            best = sum;
            bestK = k;
        }
    }
    return bestK;
}

int RotateBy(double* x, int n, long long shift, double* companion) {
    if (n < 1) return 0;
    const long long s = FloorMod(shift, n);
    RotateLeft(x, n, s);
    if (companion != nullptr) RotateLeft(companion, n, s);
    return static_cast<int>(s);
}

}  // namespace

int LoudestWindowEnd(const double* x, int n, int w) {
    return ExtremeWindowEnd(x, n, w, [](double a, double b) { return a > b; });
}

int QuietestWindowEnd(const double* x, int n, int w) {
    return ExtremeWindowEnd(x, n, w, [](double a, double b) { return a < b; });
}

void RotateLeft(double* x, int n, long long s) {
    if (n < 1) return;
    s = FloorMod(s, n);
    std::rotate(x, x + s, x + n);
}

int RotateToLoudestWindow(double* x, int n, int w, double* companion) {
    if (n < 1 || w < 1) return 0;
    return RotateBy(x, n, static_cast<long long>(LoudestWindowEnd(x, n, w)) - w, companion);
}

int RotateToQuietestWindow(double* x, int n, int w, double* companion) {
    if (n < 1 || w < 1) return 0;
    return RotateBy(x, n, static_cast<long long>(QuietestWindowEnd(x, n, w)) - w, companion);
}

int RotateWithPreroll(double* x, int n, int w, int w2, double* companion) {
    if (n < 1 || w < 1) return 0;
    return RotateBy(x, n, static_cast<long long>(LoudestWindowEnd(x, n, w)) - w - w2, companion);
}

}  // namespace halvane::signal::AudioSampler
