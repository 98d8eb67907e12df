// The room correction judged end to end, the figure by which Halvane is
// judged: how close to its target a room sounds after the program has
// measured it, designed its filters and written them into the processor.
//
// Synthetic road: seeded synthetic rooms (fronts, centre, a surround and a
// subwoofer at 5 positions) run the whole road without windows (crossovers,
// levels, targets, calculation, upload to the simulated flagship on a pty).
// Every channel is judged over the band its stages are fitted to, at its
// listening positions with its trim, after the one level offset that suits
// the channel best:
//   before  no correction;
//   ideal   the exact correction target / power average of the positions
//           (the floor: what is left is the positions' own difference);
//   after   the correction decoded from the words in the simulator's DSP
//           memory, for every configuration and rate slot it holds;
//   design  the document's filter sets in double precision (after - design
//           is what the words and the upload lose).
// "level" is how far the corrected channel sits from its target's level,
// against where the ideal correction puts it (the best offset of a dB
// judgement and the power average of the positions differ by a little
// where the positions differ much).
//
// Measured road: seeded sim::Room rooms measured by the measurement job
// with the simulated microphone (a Tessik QEX-1 with its own response, at
// a real room's levels, under the program's calibration of it), then the
// same road; judged against the room's true response at each position
// (before, after, ideal per channel and position), and the channels'
// corrected levels against each other. A room whose takes clipped makes no
// figure.
//
// Both processor families are judged: the flagship (unit kind 2: its DSP
// memory's 24-bit words; kind 1, its five-rate class, on the synthetic road)
// and the receiver (unit kind 4: its float words, read back from the
// simulated receiver), every configuration and rate slot.
//
// Usage: room-correction [synthetic rooms] [measured rooms]   (default 2 2,
// per processor family)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "RoomRoads.h"
#include "halvane/link/CBasicTessikPort.h"
#include "halvane/link/CSampFS.h"
#include "halvane/link/UnitClassLimits.h"
#include "halvane/link/Units.h"
#include "platform/ScaledClock.h"

int main(int argc, char** argv) {
    using namespace roomfigure;
    const int synthetic = argc > 1 ? std::max(0, std::atoi(argv[1])) : 2;
    const int measured = argc > 2 ? std::max(0, std::atoi(argv[2])) : 2;
    const auto start = std::chrono::steady_clock::now();
    platform::ScaledClock clock(20.0);
    halvane::link::Comm::CBasicTessikPort port;
    halvane::link::ConTypes::CreateUnits(port);
    port.SetClock(clock);

    std::printf("rates of the rows below:");
    const int rowRates = halvane::link::UnitClassLimits::ForUnitClassOrInitial(2).RateCount();
    for (double hz : SlotRates(rowRates)) std::printf(" %6.0f", hz);
    std::printf("\nRMS deviation from the target in dB over each channel's fit band\n");

    // Both processor families: the flagship (unit kind 2, DSP words; kind 1,
    // its five-rate class, on the synthetic road: its measurement is the
    // same) and the receiver (unit kind 4, float words, 4 designed stages of 5).
    const int kinds[] = {1, 2, 4};
    std::map<int, Tally> perKind;
    for (int kind : kinds) {
        for (int room = 1; room <= synthetic; ++room)
            if (!SyntheticRoom(port, static_cast<unsigned>(room), kind, clock, perKind[kind])) {
                std::printf("synthetic %s room %d: a job failed\n", KindName(kind), room);
                return 1;
            }
        for (int room = 1; room <= (kind == 1 ? 0 : measured); ++room)
            if (!MeasuredRoom(port, static_cast<unsigned>(room), kind, clock, perKind[kind])) {
                std::printf("measured %s room %d: a job failed\n", KindName(kind), room);
                return 1;
            }
    }
    halvane::link::ConTypes::DestroyUnits();
    port.SetClock(platform::systemClock());

    Tally tally;
    for (int kind : kinds) {
        const Tally& t = perKind[kind];
        AddTally(tally, t);
        std::printf("%s (unit kind %d): synthetic median before %.2f, after %.2f, ideal %.2f dB, worst after-ideal "
                    "%.2f dB (%s), worst words-design %.3f dB, worst at one frequency %.4f dB (20 Hz-20 kHz %.4f dB); ",
                    KindName(kind), kind, Median(t.before), Median(t.after), Median(t.ideal), t.worstAfterIdeal,
                    t.worstAfterIdealAt.c_str(), t.worstWordsDesign, t.worstWordsPointDb, t.worstWordsWideDb);
        if (t.measuredAfter.empty())
            std::printf("no measured road\n");
        else
            std::printf("measured median before %.2f, after %.2f, ideal %.2f dB, worst after-ideal %.2f dB (%s)\n",
                        Median(t.measuredBefore), Median(t.measuredAfter), Median(t.measuredIdeal),
                        t.measuredWorstAfterIdeal, t.measuredWorstAt.c_str());
    }

    std::printf("synthetic road, median after per rate:");
    const std::vector<double> rates = SlotRates(static_cast<int>(tally.afterPerRate.size()));
    for (std::size_t k = 0; k < tally.afterPerRate.size(); ++k)
        std::printf(" %.0f %.2f", rates[k], Median(tally.afterPerRate[k]));
    std::printf(" dB\nsynthetic road, worst after-ideal per rate:");
    for (std::size_t k = 0; k < tally.worstAfterIdealPerRate.size(); ++k)
        std::printf(" %.0f %.2f", rates[k], tally.worstAfterIdealPerRate[k]);
    std::printf(" dB\nmeasured road, median after per rate:");
    for (std::size_t k = 0; k < tally.measuredAfterPerRate.size(); ++k)
        std::printf(" %.0f %.2f", rates[k], Median(tally.measuredAfterPerRate[k]));
    std::printf(" dB\n");
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("worst after-ideal at %s; worst words-design response difference at one frequency %.4f dB in the "
                "fit bands, %.4f dB from 20 Hz to 20 kHz\n",
                tally.worstAfterIdealAt.c_str(), tally.worstWordsPointDb, tally.worstWordsWideDb);
    std::printf("levels: worst corrected level off its target %.2f dB (%s); measured road: worst channel off "
                "the balance %.2f dB; measured road worst after-ideal %.2f dB (%s), median before %.2f dB\n",
                tally.worstLevelDb, tally.worstLevelAt.c_str(), tally.measuredWorstBalanceDb,
                tally.measuredWorstAfterIdeal, tally.measuredWorstAt.c_str(), Median(tally.measuredBefore));
    std::printf("measured road: median RMS of the measured curves against the true ones %.2f dB; clipped samples %lld\n",
                Median(tally.measurementVsTruth), static_cast<long long>(tally.clippedSamples));
    std::printf("%d synthetic and %d measured rooms per processor family in %.1f s\n", synthetic, measured, seconds);
    std::printf("room correction: median before %.2f dB, after %.2f dB, ideal %.2f dB, worst after-ideal %.2f dB, "
                "worst words-design %.3f dB (at one frequency %.3f dB, 20 Hz-20 kHz), measured road: median after %.2f dB, "
                "ideal %.2f dB\n",
                Median(tally.before), Median(tally.after), Median(tally.ideal), tally.worstAfterIdeal,
                tally.worstWordsDesign, tally.worstWordsWideDb, Median(tally.measuredAfter), Median(tally.measuredIdeal));
    return 0;
}
