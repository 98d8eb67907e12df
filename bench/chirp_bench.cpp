// Chirp processing speed: one take of 196608 samples (4.1 s of recording)
// should be processed in well under 1% of its recording time (41 ms).
//   cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DSUITE_BENCH=ON
//   cmake --build build/bench -j3 --target bench_chirp && build/bench/bench/chirp
#include <benchmark/benchmark.h>

#include <vector>

#include "halvane/signal/CSimpleChirpProc.h"
#include "sim/Microphone.h"
#include "sim/Room.h"

namespace {

const std::vector<double>& Take() {
    static const std::vector<double> take = [] {
        sim::Room room(3);
        sim::Microphone mic(room);
        const auto stereo = mic.take(0, 0);
        std::vector<double> out(stereo.size() / 2);
        for (std::size_t i = 0; i < out.size(); ++i) out[i] = stereo[2 * i] / 32767.0;
        return out;
    }();
    return take;
}

void BM_MeasureResponse(benchmark::State& state) {
    std::vector<double> work;
    for (auto _ : state) {
        state.PauseTiming();
        work = Take();
        state.ResumeTiming();
        halvane::signal::AudioSampler::CSimpleChirpProc proc(work.data(), 65536, 196608, 16, 48000);
        auto r = proc.MeasureResponse();
        benchmark::DoNotOptimize(r.get());
    }
}
BENCHMARK(BM_MeasureResponse)->Unit(benchmark::kMillisecond);

void BM_QuickResponse(benchmark::State& state) {
    std::vector<double> work;
    for (auto _ : state) {
        state.PauseTiming();
        work = Take();
        state.ResumeTiming();
        halvane::signal::AudioSampler::CSimpleChirpProc proc(work.data(), 65536, 196608, 16, 48000);
        auto r = proc.QuickResponse();
        benchmark::DoNotOptimize(r.get());
    }
}
BENCHMARK(BM_QuickResponse)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
