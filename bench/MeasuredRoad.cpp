// The measured road: a seeded sim::Room measured by the program's own
// measurement job (the simulated processor on a pseudo-terminal, the
// simulated microphone heard through the simulated sound input, the
// program's default microphone calibration), then crossovers, levels,
// targets, calculation and upload as on the synthetic road. The result is
// judged against the room's true response at every position, as the room
// knows it, not against the curves the job measured.

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "RoomRoads.h"
#include "halvane/document/CHalvaneDoc.h"
#include "halvane/design/CTargetCurve.h"
#include "halvane/design/ChannelLevels.h"
#include "halvane/link/CBasicTessikPort.h"
#include "halvane/link/UnitCrossoverChoices.h"
#include "halvane/link/CSampFS.h"
#include "halvane/procedures/jobs/CEqCalcProc.h"
#include "halvane/procedures/jobs/CrossoverTargetJobs.h"
#include "halvane/procedures/measurement/RunMeasurementProcedure.h"
#include "halvane/procedures/measurement/WaveRecorder.h"
#include "platform/SimInputMixer.h"
#include "platform/SimSoundSystem.h"
#include "platform/UserPrompt.h"
#include "sim/HalvaneDialect.h"
#include "sim/Microphone.h"
#include "sim/MicrophoneScale.h"
#include "sim/MicrophoneSource.h"
#include "sim/Room.h"
#include "sim/Simulator.h"
#include "tests/halvane/procedures/measurement/ScriptedMeasurementUi.h"
#include "tests/support/TestProcHost.h"

using namespace halvane::design;

namespace roomfigure {

namespace {

using Clock = std::chrono::steady_clock;

// A willing user: OK and Yes to everything, and the microphone goes where
// the job asks before OK.
class MovingUser final : public platform::UserPrompt {
public:
    explicit MovingUser(sim::Microphone& mic) : mic_(mic) {}
    std::vector<std::string> texts;

protected:
    int show(const std::string& text, const std::string&, unsigned flags, platform::WindowHandle) override {
        texts.push_back(text);
        int position = 0;
        if (std::sscanf(text.c_str(), "Please move microphone to Position %d.", &position) == 1)
            mic_.setPosition(position - 1);
        const unsigned type = flags & platform::MB_TYPEMASK;
        return type == platform::MB_YESNO || type == platform::MB_YESNOCANCEL ? platform::IDYES : platform::IDOK;
    }

private:
    sim::Microphone& mic_;
};

// Fronts, centre, both surrounds and the subwoofer; Music uses the Movie
// measurements.
constexpr std::array<std::int32_t, 5> kGroups = {1, 1, 1, 0, 1};

}  // namespace

bool MeasuredRoom(halvane::link::Comm::CBasicTessikPort& port, unsigned seed, int unitKind, platform::Clock& clock,
                  Tally& tally) {
    sim::Simulator simulator(std::make_unique<sim::HalvaneDialect>(SimulatedModelFor(unitKind), "1.31c"), clock);
    if (!simulator.start()) return false;
    port.SetPortMap(OnlyCom1(simulator.slavePath()));
    port.SetSearchAttempted(false);

    const sim::Room room(seed);
    sim::Microphone mic(room);
    mic.setToneSource(
        simulator.withDialect<sim::HalvaneDialect>([](sim::HalvaneDialect& d) { return d.toneSource(); }));
    platform::SimSoundSystem sound(clock);
    platform::SimInputDevice device;
    device.name = "Microphone (USB Tessik QEX-1)";
    // The room at a real room's levels, heard through that microphone's
    // own response, which the program's calibration of it takes out.
    mic.setKnobs(sim::CalibratedKnobs(device.name));
    device.source = std::make_shared<sim::MicrophoneSource>(mic);
    device.mixer = std::make_shared<platform::SimInputMixer>(platform::SimInputMixer::typical(device.name));
    sound.addDevice(device);
    halvane::procedures::WaveRecorder recorder(sound, clock);
    MovingUser user(mic);
    ScriptedSpeakerSelection selection;
    selection.edit = [](halvane::procedures::MeasurementSelection& s) {
        s.groups[0] = kGroups;
        s.useMovieMeasurements = 1;
    };
    ScriptedConflictUi conflicts;
    halvane::procedures::MeasurementServices services;
    services.recorder = &recorder;
    services.speakerSelection = &selection;
    services.conflicts = &conflicts;
    services.prompt = &user;
    services.calibration = nullptr;  // the program's default calibration

    halvane::document::CHalvaneDoc doc{halvane::document::CHalvaneDoc::Services{nullptr, &user, nullptr}};
    auto t0 = Clock::now();
    testsupport::TestProcHost measure;
    if (!halvane::procedures::RunMeasurementProcedure(platform::WindowHandle{3}, &doc, &measure, services)) {
        std::printf("measured room %u: the measurement failed; it said:\n", seed);
        for (const std::string& text : user.texts) std::printf("  \"%s\"\n", text.c_str());
        for (const auto& shown : conflicts.shown) {
            std::printf("  conflict \"%s\":", shown.text.c_str());
            for (const std::string& label : shown.labels) std::printf(" [%s]", label.c_str());
            std::printf("\n");
        }
        return false;
    }
    const double tMeasure = std::chrono::duration<double>(Clock::now() - t0).count();
    // The job does not look at the take's peak, so a clipped take would
    // make a figure of a response the room does not have: refuse it.
    tally.clippedSamples += mic.clippedSamples();
    if (mic.clippedSamples() > 0) {
        std::printf("measured room %u: the microphone clipped %lld samples; no figure from clipped takes\n", seed,
                    static_cast<long long>(mic.clippedSamples()));
        return false;
    }
    const std::int32_t kind = doc.m_nUnitKind;
    t0 = Clock::now();
    testsupport::TestProcHost detect, targets, calculate;
    if (halvane::procedures::RunAutoDetectXOvers(&detect, {}, *doc.CurveSetSlot(0), *doc.CurveSetSlot(1), doc.m_TargetConfig,
                                     kind) != 1)
        return false;
    if (const auto choices = halvane::link::UnitCrossoverChoices::For(kind))
        ::halvane::design::UpdateLevels(*choices, *doc.CurveSetSlot(0), *doc.CurveSetSlot(1), doc.m_TargetConfig);
    if (halvane::procedures::RunRecalcTarg(doc, &targets, {}) != 1) return false;
    if (!halvane::procedures::RunEqCalcProc({}, doc, &calculate)) return false;
    const double tCalc = std::chrono::duration<double>(Clock::now() - t0).count();
    Processor processor;
    double tUpload = 0;
    if (!UploadAndRead(port, doc, simulator, processor, tUpload)) return false;
    std::printf("measured room %u, %s (sim::Room seed %u, unit kind %d): measurement %.2f s, targets+calculation "
                "%.2f s, upload %.2f s\n",
                seed, KindName(unitKind), seed, kind, tMeasure, tCalc, tUpload);

    const BlockLayout& layout = processor.filters.layout;
    const int designHz = halvane::link::CSampFS(layout.rates == 8 ? 6 : 3).GetFrequency();
    const int positions = doc.MeasSetSlot(6)->Count();
    for (int c = 0; c < 2; ++c) {
        std::vector<double> levels;
        std::vector<int> channels;
        for (int ch = 0; ch < 8; ++ch) {
            const auto* target = dynamic_cast<const CTargetCurve*>(doc.CurveSetSlot(4 + c)->Find(ch));
            if (target == nullptr) continue;
            ChannelRun run;
            run.config = c == 0 ? "Movie" : "Music";
            run.channel = ch;
            run.band = FitBand(target->LowerLimit, target->UpperLimit, designHz);
            run.band.hi = std::min(run.band.hi, FitBand(target->LowerLimit, target->UpperLimit, 32000).hi);
            run.hz = PointsIn(*target, run.band);
            run.targetDb = DbAt(*target, run.hz);
            const double trim = TrimDb(processor, c, ch);
            for (int p = 0; p < positions; ++p) {
                std::vector<double> db = DbAt(TrueCurve(room, ch, p), run.hz);
                for (double& v : db) v += trim;
                run.positionsDb.push_back(std::move(db));
            }
            const ChannelResult r = JudgeChannel(run, processor.filters, c, nullptr);
            // What the measurement itself made of the room: its curves less
            // the true ones (both without the trim), one level apart (the
            // microphone's sensitivity).
            std::vector<std::vector<double>> differenceDb;
            for (int p = 0; p < positions; ++p) {
                std::vector<double> db = DbAt(*doc.MeasSetSlot(6)->Position(p)->Find(ch), run.hz);
                const std::vector<double>& truth = run.positionsDb[static_cast<std::size_t>(p)];
                for (std::size_t i = 0; i < db.size(); ++i) db[i] -= truth[i] - trim;
                differenceDb.push_back(std::move(db));
            }
            const Judgement measurement = JudgeUncorrected(differenceDb, std::vector<double>(run.hz.size(), 0.0));
            double worstPoint = 0;
            for (const auto& db : differenceDb)
                for (double v : db) worstPoint = std::max(worstPoint, std::fabs(v - measurement.offsetDb));
            std::printf("      measured curves against the true ones: RMS %.2f dB, worst %.2f dB "
                        "(microphone's level %+.2f dB)\n",
                        measurement.rmsDb, worstPoint, measurement.offsetDb);
            tally.measurementVsTruth.push_back(measurement.rmsDb);
            const auto row = [&](const char* what, const std::vector<double>& v) {
                std::printf("      %-12s at positions", what);
                for (double x : v) std::printf(" %5.2f", x);
                std::printf("\n");
            };
            row("before", r.before.perPosition);
            row("after 48000", r.after[0].perPosition);
            row("ideal", r.ideal.perPosition);
            tally.measuredBefore.push_back(r.before.rmsDb);
            tally.measuredAfter.push_back(r.worstAfter);
            tally.measuredIdeal.push_back(r.ideal.rmsDb);
            tally.measuredAfterPerRate.resize(r.after.size());
            for (std::size_t k = 0; k < r.after.size(); ++k) tally.measuredAfterPerRate[k].push_back(r.after[k].rmsDb);
            if (r.worstAfter - r.ideal.rmsDb > tally.measuredWorstAfterIdeal) {
                tally.measuredWorstAfterIdeal = r.worstAfter - r.ideal.rmsDb;
                tally.measuredWorstAt = std::string(KindName(unitKind)) + " room " + std::to_string(seed) + " " +
                                        run.config + " ch " + std::to_string(ch);
            }
            levels.push_back(r.after[0].offsetDb - r.ideal.offsetDb);
            channels.push_back(ch);
        }
        // The microphone's absolute sensitivity is one unknown constant, so
        // the levels count against each other: every channel's corrected
        // level (against the level its ideal correction gives) against the
        // configuration's mean.
        if (!levels.empty()) {
            const double mean = std::accumulate(levels.begin(), levels.end(), 0.0) / static_cast<double>(levels.size());
            std::printf("  %s balance at 48000 Hz (dB from the mean):", c == 0 ? "Movie" : "Music");
            for (std::size_t i = 0; i < levels.size(); ++i) {
                std::printf(" ch %d %+.2f", channels[i], levels[i] - mean);
                tally.measuredWorstBalanceDb = std::max(tally.measuredWorstBalanceDb, std::fabs(levels[i] - mean));
            }
            std::printf("\n");
        }
    }
    return true;
}

}  // namespace roomfigure
