// The port search at its slowest answering case: the processor on COM9
// (COM1 to COM8 absent) answering only at 57600 baud, the last speed of the
// search order, with the real clock. Reports the time of one full search and
// how many identification requests it wrote.

#include "OnlyPort.h"
#include "halvane/link/CBasicTessikPort.h"
#include "platform/PortMap.h"
#include "sim/HalvaneDialect.h"
#include "sim/Simulator.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

platform::PortMap OnlyCom9(const std::string& path) { return bench::OnlyPort("COM9", path); }

void BM_FindUnitCom9At57600(benchmark::State& state) {
    sim::Simulator simulator(std::make_unique<sim::HalvaneDialect>(0, "1.31c", 57600));
    if (!simulator.start()) {
        state.SkipWithError(simulator.error().c_str());
        return;
    }
    halvane::link::Comm::CBasicTessikPort port(platform::systemClock(), OnlyCom9(simulator.slavePath()));
    std::int64_t requests = 0;
    for (auto _ : state) {
        port.Close();
        const auto before = port.IdentifyRequests();
        const bool found = port.FindUnit();
        requests = port.IdentifyRequests() - before;
        if (!found || port.GetPortText() != "COM9@57600") {
            state.SkipWithError("the processor was not found on COM9@57600");
            break;
        }
    }
    state.counters["identify_requests"] = static_cast<double>(requests);
    port.Close();
}

}  // namespace

BENCHMARK(BM_FindUnitCom9At57600)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
