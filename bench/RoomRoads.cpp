#include "RoomRoads.h"

#include "OnlyPort.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>

#include "halvane/document/CHalvaneDoc.h"
#include "halvane/design/CTargetCurve.h"
#include "halvane/link/CBasicTessikPort.h"
#include "halvane/link/CSampFS.h"
#include "halvane/link/BztTolvarinePlatformV1Base.h"
#include "halvane/procedures/jobs/CEqCalcProc.h"
#include "halvane/procedures/jobs/CEqUploadProc.h"
#include "halvane/procedures/framework/DoProcedure.h"
#include "sim/HalvaneDialect.h"
#include "sim/Simulator.h"
#include "tests/halvane/procedures/jobs/RoadProject.h"
#include "tests/support/TestProcHost.h"

using namespace halvane::design;
using namespace halvane::signal;

namespace roomfigure {

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a) { return std::chrono::duration<double>(Clock::now() - a).count(); }

}  // namespace

platform::PortMap OnlyCom1(const std::string& path) { return bench::OnlyPort("COM1", path); }

bool UploadAndRead(halvane::link::Comm::CBasicTessikPort& port, halvane::document::CHalvaneDoc& doc, sim::Simulator& simulator,
                   Processor& processor, double& seconds) {
    port.SetPortMap(OnlyCom1(simulator.slavePath()));
    port.SetSearchAttempted(false);
    testsupport::TestProcHost host;
    const auto t0 = Clock::now();
    const bool ok = halvane::procedures::RunUploadProc({}, doc, &host) == 1;
    seconds = Seconds(t0);
    port.SetPortMap(OnlyCom1("/nonexistent"));
    // The processor's level words, channels 0 to 7, then the Music
    // subwoofer's: a flagship's in dB, a receiver's in 0.5 dB steps (the
    // document's trims as they are stored).
    static const char* const kFlagshipLevelWords[] = {"SLL",  "SLC",  "SLR", "SLSR", "SLBR",
                                                      "SLBL", "SLSL", "SLs", "SLm"};
    static const char* const kReceiverLevelWords[] = {"L0", "L1", "L2", "L3", "L4", "L5", "L6", "L7", "L8"};
    bool levels = true;
    const char* const* words = kFlagshipLevelWords;
    processor.filters.unitKind = doc.m_nUnitKind;
    processor.filters.layout.rates = doc.Limits().RateCount();
    processor.filters.layout.stages = doc.Limits().StageCount();
    simulator.withDialect<sim::HalvaneDialect>([&](sim::HalvaneDialect& d) {
        const bool receiver = d.model() >= 6;
        if (receiver) {
            words = kReceiverLevelWords;
            processor.filters.words = d.bitStore();
        } else {
            processor.filters.memory = d.dspMemory();
        }
        const double unit = receiver ? 0.5 : 1.0;
        for (int i = 0; i < 9; ++i) {
            const std::optional<std::string> value = d.setting(words[i]);
            if (!value) levels = false;
            (i < 8 ? processor.levelDb[static_cast<std::size_t>(i)] : processor.musicSubDb) =
                value ? unit * std::atof(value->c_str()) : 0.0;
        }
        return 0;
    });
    // A level the processor holds other than the document's shows in the
    // figures (they use the processor's); say where it comes from.
    const auto& config = doc.m_TargetConfig;
    for (int i = 0; i < 9; ++i) {
        const double held = i < 8 ? processor.levelDb[static_cast<std::size_t>(i)] : processor.musicSubDb;
        const double meant = 0.5 * (i < 8 ? config.ChannelTrim[static_cast<std::size_t>(i)] : config.MusicSubTrim);
        if (std::fabs(held - meant) > 0.005)
            std::printf("  the processor's %s is %.2f dB, the document's trim %.2f dB\n", words[i], held, meant);
    }
    return ok && levels;
}

int SimulatedModelFor(int unitKind) { return unitKind == 4 ? 6 : unitKind == 1 ? 0 : 4; }

const char* KindName(int unitKind) {
    return unitKind == 4 ? "receiver" : unitKind == 1 ? "flagship (5 rates)" : "flagship";
}

void AddTally(Tally& into, const Tally& from) {
    const auto append = [](std::vector<double>& a, const std::vector<double>& b) { a.insert(a.end(), b.begin(), b.end()); };
    append(into.before, from.before);
    append(into.after, from.after);
    append(into.ideal, from.ideal);
    if (into.afterPerRate.size() < from.afterPerRate.size()) into.afterPerRate.resize(from.afterPerRate.size());
    for (std::size_t k = 0; k < from.afterPerRate.size(); ++k) append(into.afterPerRate[k], from.afterPerRate[k]);
    if (into.worstAfterIdealPerRate.size() < from.worstAfterIdealPerRate.size())
        into.worstAfterIdealPerRate.resize(from.worstAfterIdealPerRate.size(), 0.0);
    for (std::size_t k = 0; k < from.worstAfterIdealPerRate.size(); ++k)
        into.worstAfterIdealPerRate[k] = std::max(into.worstAfterIdealPerRate[k], from.worstAfterIdealPerRate[k]);
    if (from.worstAfterIdeal > into.worstAfterIdeal) {
        into.worstAfterIdeal = from.worstAfterIdeal;
        into.worstAfterIdealAt = from.worstAfterIdealAt;
    }
    into.worstWordsDesign = std::max(into.worstWordsDesign, from.worstWordsDesign);
    into.worstWordsPointDb = std::max(into.worstWordsPointDb, from.worstWordsPointDb);
    into.worstWordsWideDb = std::max(into.worstWordsWideDb, from.worstWordsWideDb);
    if (from.worstLevelDb > into.worstLevelDb) {
        into.worstLevelDb = from.worstLevelDb;
        into.worstLevelAt = from.worstLevelAt;
    }
    append(into.measuredBefore, from.measuredBefore);
    append(into.measuredAfter, from.measuredAfter);
    append(into.measuredIdeal, from.measuredIdeal);
    if (into.measuredAfterPerRate.size() < from.measuredAfterPerRate.size())
        into.measuredAfterPerRate.resize(from.measuredAfterPerRate.size());
    for (std::size_t k = 0; k < from.measuredAfterPerRate.size(); ++k)
        append(into.measuredAfterPerRate[k], from.measuredAfterPerRate[k]);
    if (from.measuredWorstAfterIdeal > into.measuredWorstAfterIdeal) {
        into.measuredWorstAfterIdeal = from.measuredWorstAfterIdeal;
        into.measuredWorstAt = from.measuredWorstAt;
    }
    into.measuredWorstBalanceDb = std::max(into.measuredWorstBalanceDb, from.measuredWorstBalanceDb);
    append(into.measurementVsTruth, from.measurementVsTruth);
    into.clippedSamples += from.clippedSamples;
}

std::vector<double> SlotRates(int rates) {
    std::vector<double> hz;
    for (int r = 0; r < rates; ++r) hz.push_back(halvane::link::CSampFS(r).GetFrequency());
    return hz;
}

double TrimDb(const Processor& processor, int configuration, int channel) {
    if (configuration == 1 && channel == 7) return processor.musicSubDb;
    return processor.levelDb[static_cast<std::size_t>(channel)];
}

namespace {

// Which stage's words lose most on their own: that stage from the words,
// the others exact; described by its poles (frequency, radius).
std::string WorstStage(const Chain& exact, const Chain& words, const std::vector<double>& hz) {
    const std::vector<double> reference = exact.MagnitudeDb(hz);
    double worst = -1;
    std::size_t at = 0;
    for (std::size_t b = 0; b < exact.stages.size(); ++b) {
        Chain one = exact;
        one.stages[b] = words.stages[b];
        const double lost = LargestDifference(one.MagnitudeDb(hz), reference);
        if (lost > worst) {
            worst = lost;
            at = b;
        }
    }
    const Stage& q = exact.stages[at];
    const double r = std::sqrt(std::max(q.a2, 0.0));
    const double c = r > 0 ? std::clamp(-q.a1 / (2 * r), -1.0, 1.0) : 1.0;
    char text[160];
    std::snprintf(text, sizeof text, "at %.0f Hz: stage %zu alone %.2f dB, poles at %.1f Hz radius 1-%.2g",
                  exact.rate, at + 1, worst, std::acos(c) * exact.rate / (2 * std::numbers::pi),
                  1 - r);
    return text;
}

}  // namespace

// 20 Hz to 20 kHz (below Nyquist), logarithmic.
std::vector<double> AudioBand(double rate) {
    const double top = std::min(20000.0, 0.49 * rate);
    std::vector<double> hz;
    for (int i = 0; i < 1000; ++i) hz.push_back(20.0 * std::pow(top / 20.0, i / 999.0));
    return hz;
}

ChannelResult JudgeChannel(const ChannelRun& run, const HeldFilters& held, int configuration,
                           const halvane::document::DocumentData::FilterSetArray* design) {
    const BlockLayout& layout = held.layout;
    ChannelResult r;
    r.before = JudgeUncorrected(run.positionsDb, run.targetDb);
    r.ideal = Judge(run.positionsDb, run.targetDb, IdealCorrectionDb(run.positionsDb, run.targetDb));
    const std::vector<double> rates = SlotRates(layout.rates);
    std::string afterRow, designRow, levelRow;
    double worstPoint = 0;
    std::string worstStage;
    for (int s = 0; s < layout.rates; ++s) {
        const Chain words = held.ChainAt(configuration, s, run.channel, rates[s]);
        const std::vector<double> wordsDb = words.MagnitudeDb(run.hz);
        r.after.push_back(Judge(run.positionsDb, run.targetDb, wordsDb));
        char cell[32];
        std::snprintf(cell, sizeof cell, " %6.3f", r.after.back().rmsDb);
        afterRow += cell;
        std::snprintf(cell, sizeof cell, " %+6.2f", r.after.back().offsetDb - r.ideal.offsetDb);
        levelRow += cell;
        if (design != nullptr) {
            const auto& set = (*design)[static_cast<std::size_t>(configuration)][static_cast<std::size_t>(s)]
                                       [static_cast<std::size_t>(run.channel)];
            const Chain exact = ChainFromFilterSet(set, layout.stages, rates[s]);
            const std::vector<double> designDb = exact.MagnitudeDb(run.hz);
            r.design.push_back(Judge(run.positionsDb, run.targetDb, designDb));
            const double lost = LargestDifference(wordsDb, designDb);
            const std::vector<double> wide = AudioBand(rates[s]);
            r.wordsWideDb = std::max(r.wordsWideDb, LargestDifference(words.MagnitudeDb(wide), exact.MagnitudeDb(wide)));
            if (lost > worstPoint) {
                worstPoint = lost;
                worstStage = WorstStage(exact, words, run.hz);
            }
            std::snprintf(cell, sizeof cell, " %6.3f", r.design.back().rmsDb);
            designRow += cell;
        }
    }
    r.wordsPointDb = worstPoint;
    double worstLevel = 0;
    for (const Judgement& a : r.after) {
        r.worstAfter = std::max(r.worstAfter, a.rmsDb);
        const double level = a.offsetDb - r.ideal.offsetDb;
        if (std::fabs(level) > std::fabs(worstLevel)) worstLevel = level;
    }
    std::printf("  %s ch %d  %4.0f-%4.0f Hz: before %.2f, ideal %.2f, after %.2f (worst rate)", run.config,
                run.channel, run.band.lo, run.band.hi, r.before.rmsDb, r.ideal.rmsDb, r.worstAfter);
    if (design != nullptr) {
        const std::string where = worstPoint > 0.5 ? " (" + worstStage + ")" : std::string();
        std::printf(", level %+.2f dB, words-design at one frequency <= %.4f dB%s (20 Hz-20 kHz %.4f dB)", worstLevel,
                    worstPoint, where.c_str(), r.wordsWideDb);
    }
    std::printf("\n      after %s\n", afterRow.c_str());
    if (design != nullptr) std::printf("      design%s\n      level %s\n", designRow.c_str(), levelRow.c_str());
    return r;
}

bool SyntheticRoom(halvane::link::Comm::CBasicTessikPort& port, unsigned seed, int unitKind, platform::Clock& clock,
                   Tally& tally) {
    roadtest::ScriptedDoc s;
    testsupport::TestProcHost host;
    auto t0 = Clock::now();
    if (!roadtest::PrepareRoad(s.doc, unitKind, seed)) return false;
    const double tPrepare = Seconds(t0);
    t0 = Clock::now();
    if (!halvane::procedures::RunEqCalcProc({}, s.doc, &host)) return false;
    const double tCalc = Seconds(t0);
    // The design the words are judged against: the same calculation with
    // its exact coefficients.
    const halvane::document::DocumentData::FilterSetArray held = s.doc.FilterSets;
    {
        halvane::procedures::CEqCalcProc exact(s.doc, halvane::procedures::CEqCalcProc::Coefficients::Exact);
        if (halvane::procedures::DoProcedure(&exact, {}, &host) != 1) return false;
    }
    const halvane::document::DocumentData::FilterSetArray exactSets = s.doc.FilterSets;
    s.doc.FilterSets = held;

    sim::Simulator simulator(std::make_unique<sim::HalvaneDialect>(SimulatedModelFor(unitKind), "1.31c"), clock);
    if (!simulator.start()) return false;
    Processor processor;
    double tUpload = 0;
    if (!UploadAndRead(port, s.doc, simulator, processor, tUpload)) return false;

    std::printf("synthetic room %u, %s (unit kind %d, %d rates, %d stages): crossovers+levels+targets %.2f s, "
                "calculation %.2f s, upload %.2f s\n",
                seed, KindName(unitKind), unitKind, processor.filters.layout.rates, processor.filters.layout.stages,
                tPrepare, tCalc, tUpload);
    const BlockLayout& layout = processor.filters.layout;
    const std::string room = std::string(KindName(unitKind)) + " room " + std::to_string(seed);
    const int designHz = halvane::link::CSampFS(layout.rates == 8 ? 6 : 3).GetFrequency();
    for (int c = 0; c < 2; ++c) {
        const CMeasSet& positions = *s.doc.MeasSetSlot(6 + c);
        for (int ch : roadtest::kRoadChannels) {
            const auto* target = dynamic_cast<const CTargetCurve*>(s.doc.CurveSetSlot(4 + c)->Find(ch));
            if (target == nullptr) continue;
            ChannelRun run;
            run.config = c == 0 ? "Movie" : "Music";
            run.channel = ch;
            // The converted rates carry the design-rate fit; 32000 Hz has its
            // own fit, over the same band unless rate / 4 cuts it.
            run.band = FitBand(target->LowerLimit, target->UpperLimit, designHz);
            const Band band32 = FitBand(target->LowerLimit, target->UpperLimit, 32000);
            run.band.hi = std::min(run.band.hi, band32.hi);
            run.hz = PointsIn(*target, run.band);
            run.targetDb = DbAt(*target, run.hz);
            const double trim = TrimDb(processor, c, ch);
            for (int p = 0; p < positions.Count(); ++p) {
                std::vector<double> db = DbAt(*positions.Position(p)->Find(ch), run.hz);
                for (double& v : db) v += trim;
                run.positionsDb.push_back(std::move(db));
            }
            const ChannelResult r = JudgeChannel(run, processor.filters, c, &exactSets);
            tally.before.push_back(r.before.rmsDb);
            tally.after.push_back(r.worstAfter);
            tally.ideal.push_back(r.ideal.rmsDb);
            if (r.worstAfter - r.ideal.rmsDb > tally.worstAfterIdeal) {
                tally.worstAfterIdeal = r.worstAfter - r.ideal.rmsDb;
                tally.worstAfterIdealAt = room + " " + run.config + " ch " + std::to_string(ch);
            }
            tally.afterPerRate.resize(r.after.size());
            tally.worstAfterIdealPerRate.resize(r.after.size(), 0.0);
            for (std::size_t k = 0; k < r.after.size(); ++k) {
                tally.afterPerRate[k].push_back(r.after[k].rmsDb);
                tally.worstAfterIdealPerRate[k] =
                    std::max(tally.worstAfterIdealPerRate[k], r.after[k].rmsDb - r.ideal.rmsDb);
            }
            tally.worstWordsPointDb = std::max(tally.worstWordsPointDb, r.wordsPointDb);
            tally.worstWordsWideDb = std::max(tally.worstWordsWideDb, r.wordsWideDb);
            for (std::size_t k = 0; k < r.after.size(); ++k) {
                tally.worstWordsDesign =
                    std::max(tally.worstWordsDesign, std::fabs(r.after[k].rmsDb - r.design[k].rmsDb));
                const double level = r.after[k].offsetDb - r.ideal.offsetDb;
                if (std::fabs(level) > tally.worstLevelDb) {
                    tally.worstLevelDb = std::fabs(level);
                    tally.worstLevelAt = room + " " + run.config + " ch " + std::to_string(ch);
                }
            }
        }
    }
    return true;
}

}  // namespace roomfigure
