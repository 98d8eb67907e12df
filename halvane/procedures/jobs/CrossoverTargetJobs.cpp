#include "halvane/procedures/jobs/CrossoverTargetJobs.h"

#include <cmath>

#include "halvane/design/BuildTargetCurves.h"
#include "halvane/design/CCurveCorrectionManager.h"
#include "halvane/design/ChannelLevels.h"
#include "halvane/design/DetectCrossovers.h"
#include "halvane/design/TargetConfig.h"
#include "halvane/diagnostics/TException.h"
#include "halvane/document/CHalvaneDoc.h"
#include "halvane/link/CSampFS.h"
#include "halvane/link/UnitClassLimits.h"
#include "halvane/link/UnitCrossoverChoices.h"
#include "halvane/procedures/framework/DoProcedure.h"
#include "halvane/procedures/framework/DoneGuard.h"
#include "halvane/signal/CMeasSet.h"

namespace halvane::procedures {

namespace {

// Crossovers are judged at the 96000 Hz rate, whatever the unit's design rate.
constexpr int kDetectionRateIndex = 3;

// 0.8 dB as a linear factor: the level the averaged curves of a loaded
// document are raised by.
const double kLoadGain = std::exp(0.8 * std::log(10.0) / 20.0);

void EmptyConfigurationSets(document::DocumentData& doc, int c) {
    for (int slot : {c, c + 10, c + 2, c + 8}) doc.CurveSetSlot(slot)->Clear();
}

void AverageIntoMeasured(document::DocumentData& doc, int c) {
    doc.MeasSetSlot(c + 6)->Average(*doc.CurveSetSlot(c));
    doc.CurveSetSlot(c + 8)->CopyFrom(*doc.CurveSetSlot(c));
}

}  // namespace

std::int32_t DesignRateHz(const link::UnitClassLimits& limits) {
    const std::int32_t rates = limits.RateCount();
    return link::CSampFS(rates == 8 ? 6 : 3, rates).GetFrequency();
}

CAutoDetectXOvers::CAutoDetectXOvers(const signal::CCurveSet& movie, const signal::CCurveSet& music, design::TargetConfig& config,
                                     std::int32_t unitKind)
    : measured_{&movie, &music}, config_(&config), unitKind_(unitKind) {}

int CAutoDetectXOvers::Run(void*) {
    IProcDialog* host = Host();
    DoneGuard guard(host);
    if (host != nullptr) host->SetRange(2);
    const std::int32_t rate =
        link::CSampFS(kDetectionRateIndex, link::UnitClassLimits::ForUnitClassOrInitial(unitKind_).RateCount()).GetFrequency();
    for (int c = 0; c < 2; ++c) {
        const auto choices = link::UnitCrossoverChoices::For(unitKind_);
        if (choices == nullptr) throw diagnostics::TException("Could not detect the crossovers for this unit class.");
        design::DetectCrossovers(*choices, *measured_[c], *config_, c, rate);
        if (host != nullptr) host->Step(1);
    }
    // Each configuration keeps its own proposals.
    config_->MusicUsesMovie = 0;
    guard.Dismiss();
    if (host != nullptr) host->Done(1);
    return 1;
}

RecalcTarg::RecalcTarg(document::CHalvaneDoc& document)
    : CProcBase(&document), unitKind_(document.m_nUnitKind), config_(&document.m_TargetConfig) {
    for (int c = 0; c < 2; ++c) measured_[c].CopyFrom(*document.CurveSetSlot(c));
}

int RecalcTarg::Run(void*) {
    IProcDialog* host = Host();
    DoneGuard guard(host);
    if (host != nullptr) host->SetRange(2);
    const std::int32_t rate = DesignRateHz(link::UnitClassLimits::ForUnitClassOrInitial(unitKind_));
    for (int c = 0; c < 2; ++c) {
        // Asking for the choices checks the unit kind; the targets do not
        // use them.
        if (link::UnitCrossoverChoices::For(unitKind_) == nullptr)
            throw diagnostics::TException("Could not build the target curves for this unit class.");
        design::BuildTargetCurves(unitKind_, c, measured_[c], *config_, rate, targets_[c], true);
        if (host != nullptr) host->Step(1);
    }
    guard.Dismiss();
    if (host != nullptr) host->Done(1);
    return 1;
}

void RecalcTarg::OnProcedureComplete(int result, const diagnostics::TException*, platform::WindowHandle) {
    auto* doc = static_cast<document::CHalvaneDoc*>(Document());
    if (doc == nullptr) return;
    for (int c = 0; c < 2; ++c) {
        if (result == 1) *doc->CurveSetSlot(c + 4) = std::move(targets_[c]);
        *doc->CurveSetSlot(c) = std::move(measured_[c]);
        targets_[c].Clear();
        measured_[c].Clear();
        doc->CurveSetSlot(c + 2)->Clear();
    }
    doc->RefreshMainFrameViews();
}

int RunAutoDetectXOvers(IProcDialog* host, platform::WindowHandle parent, const signal::CCurveSet& movie,
                        const signal::CCurveSet& music, design::TargetConfig& config, std::int32_t unitKind, std::string* failure,
                        const ProcedureDialogShell& shell) {
    CAutoDetectXOvers job(movie, music, config, unitKind);
    const int result = DoProcedure(&job, parent, host, shell);
    if (result != 1 && failure != nullptr) *failure = job.LastErrorText(CAutoDetectXOvers::kFailedText);
    return result;
}

int RunRecalcTarg(document::CHalvaneDoc& document, IProcDialog* host, platform::WindowHandle parent, std::string* failure,
                  const ProcedureDialogShell& shell) {
    RecalcTarg job(document);
    const int result = DoProcedure(&job, parent, host, shell);
    if (result != 1 && failure != nullptr) *failure = job.LastErrorText(RecalcTarg::kFailedText);
    return result;
}

void RebuildGroupCurves(document::CHalvaneDoc& document) {
    for (int c = 0; c < 2; ++c) {
        EmptyConfigurationSets(document, c);
        AverageIntoMeasured(document, c);
        signal::CCurveSet& set = *document.CurveSetSlot(c);
        for (int ch = 0; ch < signal::ChannelTable::kCount; ++ch) {
            signal::CCurve* curve = set.Find(ch);
            if (curve == nullptr) continue;
            if (document.m_bOlderVersion != 0) design::MakeCorrectionCurve(*curve, document.m_nCorrectionKind);
            curve->MultiplyByComplex(kLoadGain, 0.0);
        }
    }
}

void ProcedurePostLoad::RebuildGroupCurves(document::CHalvaneDoc& document) { procedures::RebuildGroupCurves(document); }

void ProcedurePostLoad::UpdateLevels(document::CHalvaneDoc& document) {
    const auto choices = link::UnitCrossoverChoices::For(document.m_nUnitKind);
    if (choices == nullptr) return;
    ::halvane::design::UpdateLevels(*choices, *document.CurveSetSlot(0), *document.CurveSetSlot(1), document.m_TargetConfig);
}

void ProcedurePostLoad::RunRecalcTarg(document::CHalvaneDoc& document) {
    RecalcTarg job(document);
    if (DoProcedure(&job, parent_, host_, shell_) == 1) return;
    // The load reports it: the document would otherwise come up with targets
    // that do not belong to its rebuilt curves, and nobody would know.
    throw diagnostics::TException(job.LastErrorText(kTargetsNotRegenerated));
}

}  // namespace halvane::procedures
