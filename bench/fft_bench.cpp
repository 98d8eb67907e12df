// Times ComplexFft against FFTW at the transform sizes the programs use,
// prints the ratio ours / FFTW per size, and times the smoothing of a
// measured response with the chirp processing's parameters.
//
//   cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DSUITE_BENCH=ON
//   cmake --build build/bench --target bench_fft && OMP_NUM_THREADS=1 build/bench/bench/fft
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "halvane/signal/CCurve.h"
#include "halvane/signal/ComplexFft.h"

using namespace halvane::signal;

namespace {

constexpr int kSizes[] = {1024, 16384, 65536, 131072};

void Fill(std::vector<double>& re, std::vector<double>& im, int n) {
    std::mt19937_64 gen(n);
    std::uniform_real_distribution<double> u(-1, 1);
    re.resize(n);
    im.resize(n);
    for (int i = 0; i < n; ++i) {
        re[i] = u(gen);
        im[i] = u(gen);
    }
}

// The data is restored outside the timed region, so repeated transforms
// never overflow.
void BM_ComplexFft(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::vector<double> re0, im0;
    Fill(re0, im0, n);
    std::vector<double> re = re0, im = im0;
    ComplexFft(1, n, re.data(), im.data());  // tables built before timing
    for (auto _ : state) {
        state.PauseTiming();
        re = re0;
        im = im0;
        state.ResumeTiming();
        ComplexFft(1, n, re.data(), im.data());
        benchmark::DoNotOptimize(re.data());
        benchmark::DoNotOptimize(im.data());
    }
}

// FFTW's best case: interleaved complex, a measured plan, one thread.
void BM_Fftw(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    fftw_complex* data = fftw_alloc_complex(n);
    fftw_complex* src = fftw_alloc_complex(n);
    fftw_plan plan = fftw_plan_dft_1d(n, data, data, FFTW_FORWARD, FFTW_MEASURE);
    std::vector<double> re, im;
    Fill(re, im, n);
    for (int i = 0; i < n; ++i) {
        src[i][0] = re[i];
        src[i][1] = im[i];
    }
    for (auto _ : state) {
        state.PauseTiming();
        std::copy(&src[0][0], &src[0][0] + 2 * n, &data[0][0]);
        state.ResumeTiming();
        fftw_execute(plan);
        benchmark::DoNotOptimize(&data[0][0]);
    }
    fftw_destroy_plan(plan);
    fftw_free(src);
    fftw_free(data);
}

// Smooth(6, 25, 5, 48000) on an 8193-point response spaced 48000 / 16384 Hz,
// as the chirp processing hands it over.
void BM_SmoothChirpResponse(benchmark::State& state) {
    CCurve source(8193, CIndexVector::Frequency, CComplexVector::Polar);
    std::mt19937_64 gen(8193);
    std::uniform_real_distribution<double> u(0.5, 2.0);
    for (int i = 0; i < 8193; ++i) {
        source.X()[i] = i * (48000.0 / 16384);
        source.A()[i] = u(gen);
        source.B()[i] = -2 * M_PI * source.X()[i] * 2e-3;
    }
    for (auto _ : state) {
        state.PauseTiming();
        CCurve c = source;
        state.ResumeTiming();
        c.Smooth(6, 25, 5, 48000);
        benchmark::DoNotOptimize(c.A());
    }
}

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) times_[r.benchmark_name()] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void PrintRatios() const {
        std::printf("\nComplexFft / FFTW (one thread):\n");
        for (int n : kSizes) {
            const auto ours = times_.find("BM_ComplexFft/" + std::to_string(n));
            const auto theirs = times_.find("BM_Fftw/" + std::to_string(n));
            if (ours != times_.end() && theirs != times_.end() && theirs->second > 0)
                std::printf("  %7d  %.2f\n", n, ours->second / theirs->second);
        }
    }

private:
    std::map<std::string, double> times_;
};

}  // namespace

BENCHMARK(BM_ComplexFft)->Arg(1024)->Arg(16384)->Arg(65536)->Arg(131072)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Fftw)->Arg(1024)->Arg(16384)->Arg(65536)->Arg(131072)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SmoothChirpResponse)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
