#include "halvane/signal/ComplexFft.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include "halvane/signal/Parallel.h"
#include "halvane/signal/Phase.h"

namespace halvane::signal {

namespace {

constexpr int kMaxLog2 = 30;

// The twiddles of one split-radix stage of length L, for j = 0 .. L/4 - 1:
// cos and sin of a = 2 pi j / L and of 3a, each contiguous in j so the
// butterfly loop runs over consecutive elements.
struct StageTwiddles {
    std::vector<double> c1, s1, c3, s3;
};

// The swaps of the bit-reversal permutation of one length.
using SwapList = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

struct FftTables {
    std::mutex lock;
    std::vector<double> sine;  // sin(2 pi k / tableN), k = 0 .. tableN / 4
    int tableN = 0;
    int currentN = 0;          // the length SineAt reads for (stride tableN / currentN)
    std::shared_ptr<const StageTwiddles> stages[kMaxLog2 + 1];
    std::shared_ptr<const SwapList> swaps[kMaxLog2 + 1];
};

FftTables& Tables() {
    static FftTables tables;
    return tables;
}

int Log2(int n) {
    int l = 0;
    while ((1 << l) < n) ++l;
    return l;
}

// sin(2 pi k / len) from the table (held under the lock).
double SineOf(const FftTables& t, long long k, int len) {
    const long long N = t.tableN;
    const long long Q = N / 4;
    const long long a = (k * (N / len)) % N;
    const long long quadrant = a / Q;
    const long long index = (quadrant % 2 == 1) ? Q - a % Q : a % Q;
    const double v = t.sine[static_cast<std::size_t>(index)];
    return a > N / 2 ? -v : v;
}

int BuildSineTableLocked(FftTables& t, int n) {
    const int want = n < 4 ? 4 : n;
    if (want > t.tableN) {
        try {
            std::vector<double> sine(static_cast<std::size_t>(want / 4 + 1));
            double* s = sine.data();
            const int count = want / 4 + 1;
            HALVANE_PARALLEL_FOR(count)
            for (int k = 0; k < count; ++k) s[k] = std::sin(kPhaseTwoPi * k / want);
            t.sine = std::move(sine);
            t.tableN = want;
            // The stage twiddles came from the old table; they are the same
            // values, so they stay.
        } catch (const std::bad_alloc&) {
            t.sine.clear();
            t.tableN = 0;
            return -1;
        }
    }
    t.currentN = n;
    return 0;
}

std::shared_ptr<const StageTwiddles> StageFor(FftTables& t, int log2L) {
    auto& slot = t.stages[log2L];
    if (!slot) {
        const int L = 1 << log2L;
        const int q = L / 4;
        auto tw = std::make_shared<StageTwiddles>();
        tw->c1.resize(q);
        tw->s1.resize(q);
        tw->c3.resize(q);
        tw->s3.resize(q);
        for (int j = 0; j < q; ++j) {
            tw->s1[j] = SineOf(t, j, L);
            tw->c1[j] = SineOf(t, j + q, L);
            tw->s3[j] = SineOf(t, 3LL * j, L);
            tw->c3[j] = SineOf(t, 3LL * j + q, L);
        }
        slot = std::move(tw);
    }
    return slot;
}

std::uint32_t Reverse(std::uint32_t v, int bits) {
    std::uint32_t r = 0;
    for (int b = 0; b < bits; ++b) r |= ((v >> b) & 1u) << (bits - 1 - b);
    return r;
}

std::shared_ptr<const SwapList> SwapsFor(FftTables& t, int log2n) {
    auto& slot = t.swaps[log2n];
    if (!slot) {
        auto swaps = std::make_shared<SwapList>();
        const std::uint32_t n = 1u << log2n;
        swaps->reserve(n / 2);
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::uint32_t r = Reverse(i, log2n);
            if (i < r) swaps->emplace_back(i, r);
        }
        slot = std::move(swaps);
    }
    return slot;
}

struct Plan {
    const StageTwiddles* stage[kMaxLog2 + 1] = {};
};

// The bit-reversal permutation in tiles: an index is split into its top q
// bits a, middle bits b and low q bits c, and reversed it becomes
// (rev c, rev b, rev a). The tiles of b and rev b are each read as 2^q runs
// of 2^q consecutive elements into a small buffer and written back, each
// run again consecutive, from the other tile; so every cache line is
// touched once and the large strides never fight over cache sets.
constexpr int kTileBits = 5;

void BitReverseTiled(double* x, int log2n) {
    constexpr int q = kTileBits;
    constexpr std::uint32_t tile = 1u << q;
    const int mid = log2n - 2 * q;
    const int shiftA = log2n - q;
    std::uint32_t revQ[tile];
    for (std::uint32_t i = 0; i < tile; ++i) revQ[i] = Reverse(i, q);
    double bufA[tile][tile];
    double bufB[tile][tile];
    const std::uint32_t middles = 1u << mid;
    for (std::uint32_t b = 0; b < middles; ++b) {
        const std::uint32_t rb = Reverse(b, mid);
        if (rb < b) continue;
        for (std::uint32_t a = 0; a < tile; ++a) {
            const double* runA = x + ((a << shiftA) | (b << q));
            const double* runB = x + ((a << shiftA) | (rb << q));
            for (std::uint32_t c = 0; c < tile; ++c) {
                bufA[a][c] = runA[c];
                bufB[a][c] = runB[c];
            }
        }
        for (std::uint32_t a = 0; a < tile; ++a) {
            double* runA = x + ((a << shiftA) | (b << q));
            double* runB = x + ((a << shiftA) | (rb << q));
            const std::uint32_t ra = revQ[a];
            for (std::uint32_t c = 0; c < tile; ++c) {
                runA[c] = bufB[revQ[c]][ra];
                runB[c] = bufA[revQ[c]][ra];
            }
        }
    }
}

// The L-shaped butterflies of one block of length 4q.
void LButterflies(double* __restrict x0, double* __restrict x1, double* __restrict x2, double* __restrict x3,
                  double* __restrict y0, double* __restrict y1, double* __restrict y2, double* __restrict y3,
                  const double* __restrict c1, const double* __restrict s1, const double* __restrict c3,
                  const double* __restrict s3, int q) {
    for (int j = 0; j < q; ++j) {
        double r1 = x0[j] - x2[j];
        double r2 = x1[j] - x3[j];
        double t1 = y0[j] - y2[j];
        double t2 = y1[j] - y3[j];
        x0[j] += x2[j];
        x1[j] += x3[j];
        y0[j] += y2[j];
        y1[j] += y3[j];
        const double t3 = r1 - t2;
        r1 = r1 + t2;
        t2 = r2 - t1;
        r2 = r2 + t1;
        x2[j] = r1 * c1[j] - t2 * s1[j];
        y2[j] = -t2 * c1[j] - r1 * s1[j];
        x3[j] = t3 * c3[j] + r2 * s3[j];
        y3[j] = r2 * c3[j] - t3 * s3[j];
    }
}

inline void Butterfly2(double* x, double* y) {
    const double r = x[0];
    x[0] = r + x[1];
    x[1] = r - x[1];
    const double s = y[0];
    y[0] = s + y[1];
    y[1] = s - y[1];
}

// A block of 4: its one L-shaped butterfly has unit twiddles, then the
// half is a length-2 butterfly and the quarters are single points.
inline void Block4(double* x, double* y) {
    double r1 = x[0] - x[2];
    double r2 = x[1] - x[3];
    const double t1 = y[0] - y[2];
    double t2 = y[1] - y[3];
    x[0] += x[2];
    x[1] += x[3];
    y[0] += y[2];
    y[1] += y[3];
    const double t3 = r1 - t2;
    r1 = r1 + t2;
    t2 = r2 - t1;
    r2 = r2 + t1;
    x[2] = r1;
    y[2] = -t2;
    x[3] = t3;
    y[3] = r2;
    Butterfly2(x, y);
}

// One block of the split-radix recursion: its L-shaped butterflies, then
// the half and the two quarters it leaves, depth first so a block is done
// while it is still in the cache. The butterflies and their arithmetic are
// those of the stage-by-stage form; only their order differs, and no two
// butterflies of one stage share an element.
void Block(double* x, double* y, int log2L, const Plan& plan) {
    switch (log2L) {
    case 0:
        return;
    case 1:
        Butterfly2(x, y);
        return;
    case 2:
        Block4(x, y);
        return;
    default:
        break;
    }
    const int q = 1 << (log2L - 2);
    const StageTwiddles& tw = *plan.stage[log2L];
    LButterflies(x, x + q, x + 2 * q, x + 3 * q, y, y + q, y + 2 * q, y + 3 * q, tw.c1.data(), tw.s1.data(),
                 tw.c3.data(), tw.s3.data(), q);
    if (log2L == 3) {
        Block4(x, y);
        Butterfly2(x + 4, y + 4);
        Butterfly2(x + 6, y + 6);
        return;
    }
    Block(x, y, log2L - 1, plan);
    Block(x + 2 * q, y + 2 * q, log2L - 2, plan);
    Block(x + 3 * q, y + 3 * q, log2L - 2, plan);
}

}  // namespace

int BuildSineTable(int n) {
    if (n < 1) return -1;
    FftTables& t = Tables();
    std::lock_guard guard(t.lock);
    return BuildSineTableLocked(t, n);
}

double SineAt(int k) {
    FftTables& t = Tables();
    std::lock_guard guard(t.lock);
    if (t.tableN == 0 || t.currentN == 0) return std::sin(0.0);
    return SineOf(t, k, t.currentN);
}

int ComplexFft(int direction, int n, double* re, double* im) {
    if (n < 2 || (n & (n - 1)) != 0) return -1;
    const int log2n = Log2(n);
    Plan plan;
    std::shared_ptr<const StageTwiddles> held[kMaxLog2 + 1];
    std::shared_ptr<const SwapList> swaps;
    const bool tiled = log2n >= 2 * kTileBits;
    {
        FftTables& t = Tables();
        std::lock_guard guard(t.lock);
        if (BuildSineTableLocked(t, n) != 0) return 1;
        try {
            for (int l = 2; l <= log2n; ++l) {
                held[l] = StageFor(t, l);
                plan.stage[l] = held[l].get();
            }
            if (!tiled) swaps = SwapsFor(t, log2n);
        } catch (const std::bad_alloc&) {
            return 1;
        }
    }

    const bool inverse = direction == -1;
    if (inverse) {
        for (int i = 0; i < n; ++i) im[i] = -im[i];
    }
    Block(re, im, log2n, plan);
    if (tiled) {
        BitReverseTiled(re, log2n);
        BitReverseTiled(im, log2n);
    } else {
        for (const auto& [a, b] : *swaps) {
            std::swap(re[a], re[b]);
            std::swap(im[a], im[b]);
        }
    }
    if (inverse) {
        const double scale = 1.0 / n;
        for (int i = 0; i < n; ++i) {
            re[i] *= scale;
            im[i] *= -scale;
        }
    }
    return 0;
}

}  // namespace halvane::signal
