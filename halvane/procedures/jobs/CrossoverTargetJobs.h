#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "halvane/document/DocumentPostLoad.h"
#include "halvane/link/UnitClassLimits.h"
#include "halvane/procedures/framework/CProcBase.h"
#include "halvane/procedures/framework/DoProcedure.h"
#include "halvane/procedures/measurement/UpdateDocMeasurements.h"
#include "halvane/signal/CCurveSet.h"
#include "platform/WindowHandle.h"

namespace halvane::signal {
class CMeasSet;
}
namespace halvane::design {
class TargetConfig;
}

namespace halvane::document {
class CHalvaneDoc;
}

namespace halvane::procedures {


// Proposes the crossovers, group flags and room gain of both configurations
// from their measured (averaged) curves, judged at 96000 Hz. Afterwards
// Music keeps its own proposals (MusicUsesMovie is cleared). A failure ends
// the job with 2 like every other job.
class CAutoDetectXOvers final : public CProcBase {
public:
    static constexpr const char* kFailedText = "The crossovers could not be detected.";
    CAutoDetectXOvers(const signal::CCurveSet& movie, const signal::CCurveSet& music, design::TargetConfig& config, std::int32_t unitKind);
    int Run(void* argument) override;

private:
    const signal::CCurveSet* measured_[2];
    design::TargetConfig* config_;
    std::int32_t unitKind_;
};

// Regenerates the target curves of both configurations at the design rate
// (192000 Hz for a unit of 8 rates, else 96000 Hz) with the displayed level,
// on copies of the measured curves taken when the job is built. Whatever the
// result, its completion hands the copies back to the document's measured
// slots and empties the calculated curves; the new targets replace the
// document's only when the job completed, so a failure keeps the old ones.
class RecalcTarg final : public CProcBase {
public:
    static constexpr const char* kFailedText = "The target curves could not be regenerated.";
    explicit RecalcTarg(document::CHalvaneDoc& document);
    int Run(void* argument) override;
    void OnProcedureComplete(int result, const diagnostics::TException* lastError, platform::WindowHandle parent) override;

private:
    signal::CCurveSet targets_[2];
    signal::CCurveSet measured_[2];
    std::int32_t unitKind_;
    design::TargetConfig* config_;
};

// The design rate of a unit class's limits, in Hz: 192000 with eight rates,
// else 96000.
std::int32_t DesignRateHz(const link::UnitClassLimits& limits);

// Runs the crossover detection (under `host`, or else the progress dialog
// `shell` shows); its result code. When it did not complete, `failure` (if
// given) receives why, for the caller to show.
int RunAutoDetectXOvers(IProcDialog* host, platform::WindowHandle parent, const signal::CCurveSet& movie,
                        const signal::CCurveSet& music, design::TargetConfig& config, std::int32_t unitKind,
                        std::string* failure = nullptr, const ProcedureDialogShell& shell = {});
// Runs the target regeneration on the document; its result code, and as
// for the detection the reason of a failure.
int RunRecalcTarg(document::CHalvaneDoc& document, IProcDialog* host, platform::WindowHandle parent,
                  std::string* failure = nullptr, const ProcedureDialogShell& shell = {});

// After a document is loaded: the measured sets of both configurations
// rebuilt from the measurement sets, an older document's built-in
// microphone correction taken out, and every curve raised by 0.8 dB.
void RebuildGroupCurves(document::CHalvaneDoc& document);

// The post-load steps of an older document, run by these jobs: the target
// regeneration runs under the modal progress dialog `shell` shows over
// `parent` (or on `host`), and a regeneration that did not complete throws
// its failure (TException) for the load to report.
class ProcedurePostLoad final : public document::DocumentPostLoad {
public:
    static constexpr const char* kTargetsNotRegenerated = RecalcTarg::kFailedText;
    explicit ProcedurePostLoad(platform::WindowHandle parent = {}, IProcDialog* host = nullptr,
                               ProcedureDialogShell shell = {})
        : parent_(parent), host_(host), shell_(std::move(shell)) {}
    void RebuildGroupCurves(document::CHalvaneDoc& document) override;
    void UpdateLevels(document::CHalvaneDoc& document) override;
    void RunRecalcTarg(document::CHalvaneDoc& document) override;

private:
    platform::WindowHandle parent_;
    IProcDialog* host_;
    ProcedureDialogShell shell_;
};

}  // namespace halvane::procedures
