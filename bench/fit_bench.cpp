// Cascade fitter quality and speed on a room-like corpus (speakers and
// subwoofers with modes and ripple) at 48, 96 and 192 kHz.
//   cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DSUITE_BENCH=ON
//   cmake --build build/bench -j3 --target bench_fit && build/bench/bench/fit
//
// Before the timed runs it prints the quality table, one row per channel:
// E_band (RMS, max and 95th percentile of the corrected level's deviation
// from the target over the band the fit leaves unblended), the improvement
// over the uncorrected response (its RMS with the mean level taken out,
// divided by E_band RMS), E_quant (E_band with the coefficients as the
// processor's 24-bit words hold them) and the time of one fit.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

#include "halvane/design/FilterDesign.h"
#include "halvane/design/FitQuality.h"
#include "halvane/link/HeldWordLattices.h"
#include "tests/halvane/design/FitCorpus.h"

using namespace halvane::design;

namespace {

FilterDesign Fit(const fitcorpus::Case& c) {
    FilterDesign d;
    d.Clear();
    d.InitStages(c.stages);
    d.SampleRate = c.rate;
    d.TargetCurve = &c.target;
    FitOptions options;
    options.IsSubwoofer = c.subwoofer ? 1 : 0;
    FitCorrectionFilter(d, c.measured, options, c.lower, c.upper, c.level);
    d.Finalize();
    return d;
}

void PrintQualityTable() {
    std::printf("%-24s %6s %8s %8s %8s %8s %7s %8s %8s %9s\n", "case", "rate", "rms_dB", "max_dB", "p95_dB", "uncorr",
                "improve", "quant_rms", "quant_max", "ms/fit");
    for (int rate : {48000, 96000, 192000}) {
        for (const auto& c : fitcorpus::RoomCases(rate)) {
            const auto t0 = std::chrono::steady_clock::now();
            const FilterDesign d = Fit(c);
            const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
            const FitBand band = FittedBand(c.rate, c.lower, c.upper, false);
            const BandError e = MeasureBandError(c.measured, c.target, d, c.level, band.lower, band.upper);
            const BandError u = UncorrectedBandError(c.measured, c.target, c.level, band.lower, band.upper);
            const BandError q =
                MeasureBandError(c.measured, c.target, QuantisedStages(d, halvane::link::HeldWordLattice(false)), c.level, band.lower, band.upper);
            std::printf("%-24s %6d %8.4f %8.4f %8.4f %8.4f %7.1f %8.4f %8.4f %9.1f\n", c.name.c_str(), rate, e.rms,
                        e.max, e.p95, u.rms, u.rms / e.rms, q.rms, q.max, ms);
        }
    }
    std::fflush(stdout);
}

void BM_Fit(benchmark::State& state) {
    const auto cases = fitcorpus::RoomCases(static_cast<int>(state.range(0)));
    const auto& c = cases[static_cast<std::size_t>(state.range(1))];
    for (auto _ : state) {
        FilterDesign d = Fit(c);
        benchmark::DoNotOptimize(d.B0.data());
    }
    state.SetLabel(c.name);
}
BENCHMARK(BM_Fit)->ArgsProduct({{48000, 96000, 192000}, {0, 3}})->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    PrintQualityTable();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
