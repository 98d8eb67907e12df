// A full filter upload against the simulated processor on a pty, real clock:
// the flagship's (class 2: 2 configurations x 8 rates x 8 channels x 10
// stages, every word written and read back) and the receiver's (class 4:
// 2 x 8 x 8 x 5 stages, every coefficient set and confirmed). Reports the
// exchanges and bytes each way, exchanges per second, and the time the same
// bytes need on a serial line at 19200 and 115200 baud (8N2: 11 bits a byte).
// The receiver's verification is not run: its 100 ms pause after every read
// (2688 reads, about 270 s) is the processor's pacing, not our speed.
// The "Paced" runs put the simulator on a real line's time (every character
// its wire time at 19200 8N2) and also time the erase: what a person waits
// for at a real processor (minutes each, so only with BENCH_PACED=1 in the
// environment).

#include "OnlyPort.h"
#include "halvane/link/BztTolvarineV2.h"
#include "halvane/link/CBasicTessikPort.h"
#include "halvane/link/UploadData.h"
#include "halvane/link/VuxV1Base.h"
#include "platform/PortMap.h"
#include "sim/HalvaneDialect.h"
#include "sim/Simulator.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

platform::PortMap OnlyCom1(const std::string& path) { return bench::OnlyPort("COM1", path); }

// Designed stages within the DSP's range, different everywhere.
halvane::link::UploadData Project() {
    halvane::link::UploadData doc;
    for (int c = 0; c < 2; ++c)
        for (int r = 0; r < 8; ++r)
            for (int ch = 0; ch < 8; ++ch) {
                auto& set = doc.At(c, r, ch);
                set.Gain = (ch - 4) & 0xFFFFFF;
                for (int b = 0; b < 10; ++b) {
                    const int n = c * 1000 + r * 100 + ch * 10 + b;
                    auto& q = set.Stages[static_cast<std::size_t>(b)];
                    q.b2_2 = ((n * 37) % 201 - 100) / 256.0;
                    q.b1_2 = ((n * 53) % 401 - 200) / 256.0;
                    q.b0_2 = 0.25 + ((n * 17) % 101) / 404.0;
                    q.a2_2 = ((n * 29) % 181 - 90) / 200.0;
                    q.a1_2 = -((n * 41) % 301) / 320.0;
                }
            }
    return doc;
}

void Report(benchmark::State& state, std::size_t exchanges, std::int64_t toUnit,
            std::int64_t fromUnit, double seconds) {
    const double bits = static_cast<double>(toUnit + fromUnit) * 11.0;
    state.counters["exchanges"] = static_cast<double>(exchanges);
    state.counters["bytes_to_unit"] = static_cast<double>(toUnit);
    state.counters["bytes_from_unit"] = static_cast<double>(fromUnit);
    state.counters["exchanges_per_s"] = static_cast<double>(exchanges) / seconds;
    state.counters["wire_s_19200"] = bits / 19200.0;
    state.counters["wire_s_115200"] = bits / 115200.0;
    state.counters["ours_over_wire_19200"] = seconds / (bits / 19200.0);
    state.counters["ours_over_wire_115200"] = seconds / (bits / 115200.0);
}

template <class Unit, class Run>
void Upload(benchmark::State& state, int model, Run run, bool paced = false) {
    sim::Simulator simulator(std::make_unique<sim::HalvaneDialect>(model, "1.31c", 19200));
    simulator.setPaced(paced);
    if (!simulator.start()) {
        state.SkipWithError(simulator.error().c_str());
        return;
    }
    simulator.withDialect<sim::HalvaneDialect>([](sim::HalvaneDialect& d) {
        d.knobs().requireDebugMode = false;  // the power cycle before it is not measured
        return 0;
    });
    halvane::link::Comm::CBasicTessikPort port;
    port.SetClock(platform::systemClock());
    port.SetPortMap(OnlyCom1(simulator.slavePath()));
    if (!port.FindUnit()) {
        state.SkipWithError("the processor was not found");
        return;
    }
    Unit unit(model, port);
    halvane::link::UploadData doc = Project();
    for (auto _ : state) {
        simulator.log().clear();
        const auto in0 = simulator.bytesReceived();
        const auto out0 = simulator.bytesSent();
        const auto t0 = std::chrono::steady_clock::now();
        run(unit, doc);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        state.SetIterationTime(seconds);
        Report(state, simulator.log().size(), simulator.bytesReceived() - in0,
               simulator.bytesSent() - out0, seconds);
    }
    port.Close();
    port.SetPortMap(platform::PortMap());
}

void BM_FlagshipFullUpload(benchmark::State& state) {
    Upload<halvane::link::ConTypes::BztTolvarineV2>(state, 4, [](auto& unit, auto& doc) {
        unit.UploadCoefficients(false, &doc);
        unit.UploadGains(false, &doc);
    });
}

void BM_ReceiverFullUpload(benchmark::State& state) {
    Upload<halvane::link::ConTypes::VuxV1Base>(state, 7, [](auto& unit, auto& doc) { unit.UploadCoefficients(false, &doc); });
}

void BM_FlagshipFullUploadPaced(benchmark::State& state) {
    Upload<halvane::link::ConTypes::BztTolvarineV2>(state, 4, [](auto& unit, auto& doc) {
        unit.UploadCoefficients(false, &doc);
        unit.UploadGains(false, &doc);
    }, true);
}

void BM_FlagshipErasePaced(benchmark::State& state) {
    Upload<halvane::link::ConTypes::BztTolvarineV2>(state, 4, [](auto& unit, auto& doc) {
        unit.UploadCoefficients(true, &doc);
        unit.UploadGains(true, &doc);
    }, true);
}

void BM_ReceiverFullUploadPaced(benchmark::State& state) {
    Upload<halvane::link::ConTypes::VuxV1Base>(state, 7, [](auto& unit, auto& doc) { unit.UploadCoefficients(false, &doc); },
                                true);
}

void BM_ReceiverErasePaced(benchmark::State& state) {
    Upload<halvane::link::ConTypes::VuxV1Base>(state, 7, [](auto& unit, auto& doc) { unit.UploadCoefficients(true, &doc); },
                                true);
}

}  // namespace

BENCHMARK(BM_FlagshipFullUpload)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_ReceiverFullUpload)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
int main(int argc, char** argv) {
    if (std::getenv("BENCH_PACED") != nullptr) {
        for (const auto& [name, fn] : {std::pair{"BM_FlagshipFullUploadPaced", &BM_FlagshipFullUploadPaced},
                                       std::pair{"BM_FlagshipErasePaced", &BM_FlagshipErasePaced},
                                       std::pair{"BM_ReceiverFullUploadPaced", &BM_ReceiverFullUploadPaced},
                                       std::pair{"BM_ReceiverErasePaced", &BM_ReceiverErasePaced}})
            benchmark::RegisterBenchmark(name, fn)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
