// The room correction judged end to end: for several seeded synthetic rooms
// (fronts, centre, a surround and a subwoofer measured at 5 positions) the
// whole road runs without windows (crossovers, levels, targets, calculation,
// upload to the simulated flagship on a pty). Each channel's corrected
// response at every position is then computed from the words in the
// simulator's DSP memory (24-bit words decoded, the 48000 Hz block), and the
// in-band RMS deviation from the channel's target before and after the
// correction is printed per channel with the time of each job.
//
// Usage: room-correction [rooms]   (default 4)

#include <algorithm>
#include <chrono>
#include <cmath>
#include <complex>
#include <functional>
#include <map>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "halvane/link/CBasicTessikPort.h"
#include "halvane/link/UnitFamilies.h"
#include "halvane/link/Units.h"
#include "halvane/procedures/jobs/CEqCalcProc.h"
#include "halvane/procedures/jobs/CEqUploadProc.h"
#include "platform/PortMap.h"
#include "platform/ScaledClock.h"
#include "sim/HalvaneDialect.h"
#include "sim/Simulator.h"
#include "tests/halvane/procedures/jobs/RoadProject.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a) { return std::chrono::duration<double>(Clock::now() - a).count(); }

platform::PortMap OnlyCom1(const std::string& path) {
    static const std::string emptyDir = [] {
        char tmpl[] = "/tmp/halvane-room-benchXXXXXX";
        const char* d = ::mkdtemp(tmpl);
        return std::string(d ? d : "/nonexistent-dev-dir");
    }();
    return platform::PortMap(nullptr, emptyDir, [path](const std::string& name) -> std::optional<std::string> {
        if (name == "COM1") return path;
        return std::nullopt;
    });
}

// A 24-bit two's-complement fraction as the processor reads it.
double Fraction(std::uint32_t w) {
    w &= 0xFFFFFFu;
    return (w & 0x800000u) != 0 ? (static_cast<double>(w) - 16777216.0) / 8388608.0 : w / 8388607.0;
}

// |H| at f Hz (48000 Hz) of the chain the DSP holds for configuration 0 and
// the channel, from its memory.
double DspMagnitude(const std::map<std::uint32_t, std::uint32_t>& memory, int channel, double f) {
    int slot = 0;
    while (ConTypes::BztTolvarinePlatformV1Base::kSlotChannel[slot] != channel) ++slot;
    const std::uint32_t block = 0;  // configuration 0, rate slot 0 (48000 Hz)
    const auto word = [&](std::uint32_t a) { return memory.at(a); };
    const std::complex<double> z1 = std::polar(1.0, -2.0 * M_PI * f / 48000.0);
    std::complex<double> h = 1.0;
    for (std::uint32_t b = 0; b < 10; ++b) {
        const std::uint32_t base = 0x002000 + block * 640 + (static_cast<std::uint32_t>(slot) * 10 + b) * 8;
        const double b2 = 2 * Fraction(word(base)), b1 = 2 * Fraction(word(base + 1)), b0 = 2 * Fraction(word(base + 2));
        const double a2 = 2 * Fraction(word(base + 3)), a1 = 2 * Fraction(word(base + 4));
        h *= (b0 + b1 * z1 + b2 * z1 * z1) / (1.0 + a1 * z1 + a2 * z1 * z1);
    }
    std::int32_t g = static_cast<std::int32_t>(word(0x000800 + block * 8 + static_cast<std::uint32_t>(slot)));
    if ((g & 0x800000) != 0) g -= 0x1000000;
    return std::abs(h) * std::pow(10.0, 0.5 * g / 20.0);
}

// RMS dB deviation of (curve x correction) from the target over the band.
double Deviation(const CCurve& curve, const CCurve& target, double lo, double hi,
                 const std::function<double(double)>& correction) {
    auto a = curve.Clone();
    auto t = target.Clone();
    a->ToDecibel();
    t->ToDecibel();
    double sum = 0;
    int n = 0;
    for (int i = 0; i < t->Count(); ++i) {
        const double f = t->X()[i];
        if (f < lo || f > hi) continue;
        const double d = a->ValueAt(0, f).first + 20.0 * std::log10(correction(f)) - t->A()[i];
        sum += d * d;
        ++n;
    }
    return n ? std::sqrt(sum / n) : 0.0;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n == 0 ? 0.0 : n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

}  // namespace

int main(int argc, char** argv) {
    const int rooms = argc > 1 ? std::max(1, std::atoi(argv[1])) : 4;
    platform::ScaledClock clock(20.0);
    auto& port = Comm::CBasicTessikPort::Instance();
    ConTypes::CreateUnits();
    port.SetClock(clock);
    std::vector<double> before, after;
    for (int room = 1; room <= rooms; ++room) {
        roadtest::ScriptedDoc s;
        testsupport::TestProcHost host;
        auto t0 = Clock::now();
        if (!roadtest::PrepareRoad(s.doc, 2, static_cast<unsigned>(room))) return 1;
        const double tPrepare = Seconds(t0);
        t0 = Clock::now();
        if (!halvane::RunEqCalcProc({}, s.doc, &host)) return 1;
        const double tCalc = Seconds(t0);

        sim::Simulator simulator(std::make_unique<sim::HalvaneDialect>(4, "1.31c"), clock);
        if (!simulator.start()) return 1;
        port.SetPortMap(OnlyCom1(simulator.slavePath()));
        port.SetSearchAttempted(false);
        testsupport::TestProcHost uploadHost;
        t0 = Clock::now();
        if (halvane::RunUploadProc({}, s.doc, &uploadHost) != 1) return 1;
        const double tUpload = Seconds(t0);
        const auto memory =
            simulator.withDialect<sim::HalvaneDialect>([](sim::HalvaneDialect& d) { return d.dspMemory(); });
        port.SetPortMap(OnlyCom1("/nonexistent"));

        std::printf("room %d: crossovers+levels+targets %.2f s, calculation %.2f s, upload %.2f s\n", room, tPrepare,
                    tCalc, tUpload);
        const CMeasSet& positions = *s.doc.MeasSetSlot(6);
        for (int ch : roadtest::kRoadChannels) {
            const CCurve* target = s.doc.CurveSetSlot(4)->Find(ch);
            if (target == nullptr) continue;
            const double lo = ch == 7 ? 25.0 : 100.0, hi = ch == 7 ? 100.0 : 10000.0;
            double b = 0, a = 0;
            for (int p = 0; p < positions.Count(); ++p) {
                const CCurve& curve = *positions.Position(p)->Find(ch);
                b += Deviation(curve, *target, lo, hi, [](double) { return 1.0; });
                a += Deviation(curve, *target, lo, hi, [&](double f) { return DspMagnitude(memory, ch, f); });
            }
            b /= positions.Count();
            a /= positions.Count();
            before.push_back(b);
            after.push_back(a);
            std::printf("  channel %d: before %.2f dB, after %.2f dB\n", ch, b, a);
        }
    }
    ConTypes::DestroyUnits();
    std::printf("room correction: median before %.2f dB, after %.2f dB, worst after %.2f dB\n", Median(before),
                Median(after), *std::max_element(after.begin(), after.end()));
    return 0;
}
