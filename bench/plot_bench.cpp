// Decimating a measured response for a graph: a 32769-point curve (the
// uniform grid of a 65536-point transform) and a 1,000,000-point one drawn
// through a logarithmic map 600 pixels wide. Reports the points handed to
// the painter per curve.

#include "halvane/app/models/CGMapAxes.h"
#include "halvane/app/models/CurveDecimator.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

void BM_DecimateCurve(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::vector<double> x(n), y(n);
    for (int i = 0; i < n; ++i) {
        x[i] = 24000.0 * i / (n - 1);
        y[i] = -20.0 + 6.0 * std::sin(i * 0.01) + 3.0 * std::sin(i * 0.37);
    }
    halvane::app::models::CGMapLogLin map;
    map.SetOrigin(60, 420);
    map.SetExtent(600, -400);
    map.SetRanges(20, 20000, -50, 0);
    long long drawn = 0;
    for (auto _ : state) {
        drawn = 0;
        halvane::app::models::DecimateCurve(map, x.data(), y.data(), n, [&](const halvane::app::models::PlotPoint*, int count) { drawn += count; });
        benchmark::DoNotOptimize(drawn);
    }
    state.counters["points_drawn"] = static_cast<double>(drawn);
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_DecimateCurve)->Arg(32769)->Arg(1000000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
