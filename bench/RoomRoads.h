#pragma once

// The two roads of the room-correction figure and what they add up to.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "RoomFigure.h"
#include "halvane/document/DocumentData.h"
#include "platform/Clock.h"
#include "platform/PortMap.h"

namespace halvane::document {
class CHalvaneDoc;
}
namespace halvane::link::Comm {
class CBasicTessikPort;
}
namespace sim {
class Simulator;
}

namespace roomfigure {

// What every judged channel adds to the summary.
struct Tally {
    // Synthetic road, one entry per room, configuration and channel; after
    // is the worst over the rate slots.
    std::vector<double> before, after, ideal;
    std::vector<std::vector<double>> afterPerRate;  // [rate slot][entry]
    std::vector<double> worstAfterIdealPerRate;     // [rate slot]
    double worstAfterIdeal = 0;
    std::string worstAfterIdealAt;
    double worstWordsDesign = 0;   // |after - design|, every configuration and rate
    double worstWordsPointDb = 0;  // largest |words - design| response difference at one frequency
    double worstWordsWideDb = 0;   // the same anywhere from 20 Hz to 20 kHz
    double worstLevelDb = 0;       // largest |level offset| of a corrected channel from its target
    std::string worstLevelAt;
    // Measured road, judged against the room's true response.
    std::vector<double> measuredBefore, measuredAfter, measuredIdeal;
    std::vector<std::vector<double>> measuredAfterPerRate;  // [rate slot][entry]
    double measuredWorstAfterIdeal = 0;
    std::string measuredWorstAt;
    double measuredWorstBalanceDb = 0;       // a channel's level against its configuration's mean
    std::vector<double> measurementVsTruth;  // RMS of the measured curves against the true ones
    std::int64_t clippedSamples = 0;         // samples the simulated microphone clipped
};

// The figures of one channel of one configuration: judged at every rate
// slot the processor holds. positionsDb are the channel's positions at the
// judging frequencies, with the channel trim the processor applies.
struct ChannelRun {
    const char* config = "";
    int channel = 0;
    Band band;
    std::vector<double> hz, targetDb;
    std::vector<std::vector<double>> positionsDb;
};

// Judges a channel against the DSP memory (after) and, when `design` is
// given, the exact filter sets of the calculation (design: its fitted and
// converted coefficients before any word was chosen), and prints its lines;
// with a design its positions are at the target's absolute level, so the
// level offsets are printed too.
struct ChannelResult {
    Judgement before, ideal;
    std::vector<Judgement> after, design;  // per rate slot
    double worstAfter = 0;
    double wordsPointDb = 0;  // largest |words - design| at one frequency, every rate
    double wordsWideDb = 0;   // the same anywhere from 20 Hz to 20 kHz
};
ChannelResult JudgeChannel(const ChannelRun& run, const HeldFilters& held, int configuration,
                           const halvane::document::DocumentData::FilterSetArray* design);

// COM1 alone, at `path`.
platform::PortMap OnlyCom1(const std::string& path);
// What the simulated processor holds after the upload: its filters (DSP
// memory or float words) and its speaker levels (dB) per channel, and the
// Music subwoofer's.
struct Processor {
    HeldFilters filters;
    std::array<double, 8> levelDb{};
    double musicSubDb = 0;
};

// The simulated processor's model for a unit kind: kind 2 the Tolvarine
// Z6v (model 4), kind 4 the Vux 300 (model 6), kind 1 the Tolvarine Z6.
int SimulatedModelFor(int unitKind);
// "flagship" or "receiver".
const char* KindName(int unitKind);
// Uploads the document's filters and levels to the simulator (on COM1,
// through the units' port) and reads back what it holds; false when the
// upload did not complete or a level is missing.
bool UploadAndRead(halvane::link::Comm::CBasicTessikPort& port, halvane::document::CHalvaneDoc& doc, sim::Simulator& simulator,
                   Processor& processor, double& seconds);

// The rate of each slot the document and the processor hold.
std::vector<double> SlotRates(int rates);
// The channel's level as the processor applies it (dB): the channel
// levels, and in Music the Music subwoofer level for the subwoofer.
double TrimDb(const Processor& processor, int configuration, int channel);

// One seeded synthetic room through crossovers, levels, targets,
// calculation and upload to a processor of unit kind `unitKind`; false when
// a job failed. `port` is the one the units were created with.
bool SyntheticRoom(halvane::link::Comm::CBasicTessikPort& port, unsigned seed, int unitKind, platform::Clock& clock, Tally& tally);
// One seeded sim::Room measured by the measurement job with the simulated
// microphone (a Tessik QEX-1 at a real room's levels) on a processor of
// unit kind `unitKind`, then the same road, judged against the room's true
// response. False when a job failed or a take clipped.
bool MeasuredRoom(halvane::link::Comm::CBasicTessikPort& port, unsigned seed, int unitKind, platform::Clock& clock, Tally& tally);

// Adds one tally's entries to another; the worst figures take the worse.
void AddTally(Tally& into, const Tally& from);

}  // namespace roomfigure
