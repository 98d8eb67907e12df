#pragma once

#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "halvane/design/ChannelLevels.h"
#include "halvane/document/CHalvaneDoc.h"
#include "halvane/link/UnitClassLimits.h"
#include "halvane/procedures/jobs/CEqCalcProc.h"
#include "halvane/procedures/jobs/CrossoverTargetJobs.h"
#include "halvane/signal/CMeasSet.h"
#include "platform/ScriptedUserPrompt.h"
#include "tests/halvane/design/SyntheticSpeakers.h"
#include "tests/support/TestProcHost.h"


namespace roadtest {

// The channels of the room: fronts, centre, a surround and the subwoofer.
inline const std::vector<int> kRoadChannels = {0, 1, 2, 3, 7};

// A room as the measurement would have filed it: five listening positions
// of the road's channels, each with its own ripple and
// a room mode, for both configurations (the measurement job itself is not
// part of this road).
inline void FillMeasurements(halvane::document::CHalvaneDoc& doc, unsigned seed) {
    using namespace synthetic;
    for (int c = 0; c < 2; ++c) {
        halvane::signal::CMeasSet set;
        set.SetSize(5);
        for (int p = 0; p < 5; ++p) {
            const unsigned s = seed * 97u + static_cast<unsigned>(p * 13 + c);
            const double mode = 4.0 + p;
            for (int ch : kRoadChannels) {
                if (ch == 7) continue;
                set.SetCurve(Curve(Plus(Speaker(75.0 + ch * 0.5, 45.0 + 5 * ch, 2, 2.0, s + static_cast<unsigned>(ch)),
                                        [=](double f) { return ModeDb(f, 120.0 + 10 * p, mode, 0.3); })),
                             ch, p);
            }
            set.SetCurve(Curve(Plus(Subwoofer(78.0, 120.0), [=](double f) { return ModeDb(f, 45.0, mode, 0.4); })),
                         7, p);
        }
        halvane::procedures::UpdateDocMeasurements(&set, c, doc);
    }
}

// A document of unit kind `kind` (whose limits it then holds) with its
// measurements filed, and the crossovers, levels and targets prepared as the
// main window's Measure does it. Returns false when a job failed.
inline bool PrepareRoad(halvane::document::CHalvaneDoc& doc, std::int32_t kind, unsigned seed = 1) {
    doc.m_nUnitKind = kind;
    FillMeasurements(doc, seed);
    testsupport::TestProcHost host;
    if (halvane::procedures::RunAutoDetectXOvers(&host, {}, *doc.CurveSetSlot(0), *doc.CurveSetSlot(1), doc.m_TargetConfig,
                                     kind) != 1)
        return false;
    halvane::procedures::ProcedurePostLoad().UpdateLevels(doc);
    host.ResetRunning();
    return halvane::procedures::RunRecalcTarg(doc, &host, {}) == 1;
}

// The in-band RMS deviation (dB) of `curve` from `target`, over the
// frequencies where the target lies in [lower, upper].
inline double RmsDeviationDb(const halvane::signal::CCurve& curve, const halvane::signal::CCurve& target, double lower, double upper) {
    auto a = curve.Clone();
    auto t = target.Clone();
    a->ToDecibel();
    t->ToDecibel();
    double sum = 0.0;
    int n = 0;
    for (int i = 0; i < t->Count(); ++i) {
        const double f = t->X()[i];
        if (f < lower || f > upper) continue;
        const auto v = a->ValueAt(0, f);
        const double d = v.first - t->A()[i];
        sum += d * d;
        ++n;
    }
    return n > 0 ? std::sqrt(sum / n) : 0.0;
}

// The road up to a finished calculation for unit kind `kind` (seed 7),
// computed once per test program and handed out as a loaded copy of the
// document file, so later tests do not fit the same room again.
inline bool CalculatedRoad(halvane::document::CHalvaneDoc& doc, std::int32_t kind) {
    static std::mutex mutex;
    static std::map<std::int32_t, std::vector<std::uint8_t>> files;
    std::lock_guard lock(mutex);
    auto it = files.find(kind);
    if (it == files.end()) {
        platform::ScriptedUserPrompt prompt;
        halvane::document::CHalvaneDoc fresh{halvane::document::CHalvaneDoc::Services{nullptr, &prompt, nullptr}};
        if (!PrepareRoad(fresh, kind, 7)) return false;
        testsupport::TestProcHost host;
        if (!halvane::procedures::RunEqCalcProc({}, fresh, &host)) return false;
        it = files.emplace(kind, fresh.SaveToBytes()).first;
    }
    return doc.LoadFromBytes(it->second);
}

// A document whose questions are answered by a script.
struct ScriptedDoc {
    platform::ScriptedUserPrompt prompt;
    halvane::document::CHalvaneDoc doc{halvane::document::CHalvaneDoc::Services{nullptr, &prompt, nullptr}};
};

}  // namespace roadtest
