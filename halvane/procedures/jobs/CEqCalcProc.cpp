#include "halvane/procedures/jobs/CEqCalcProc.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "halvane/design/BuildTargetCurves.h"
#include "halvane/design/CConfigTargets.h"
#include "halvane/design/FilterDesign.h"
#include "halvane/design/HeldCoefficients.h"
#include "halvane/design/TargetConfig.h"
#include "halvane/document/CHalvaneDoc.h"
#include "halvane/link/CSampFS.h"
#include "halvane/link/HeldWordLattices.h"
#include "halvane/link/UnitClassBase.h"
#include "halvane/procedures/framework/CheckAbort.h"
#include "halvane/procedures/framework/DoProcedure.h"
#include "halvane/procedures/framework/DoneGuard.h"
#include "halvane/signal/CCurveSet.h"
#include "halvane/signal/ChannelTable.h"

namespace halvane::procedures {

namespace {

constexpr int k32kSlot = 2;
const char* const kConfigNames[2] = {"Movie", "Music"};

document::FilterSet& Record(document::DocumentData& doc, int c, int slot, int ch) {
    return doc.FilterSets.at(static_cast<std::size_t>(c)).at(static_cast<std::size_t>(slot)).at(
        static_cast<std::size_t>(ch));
}

// One fit of the channel's chain at `rate` Hz to `target`.
void Fit(design::FilterDesign& design, int stages, std::int32_t rate, const signal::CCurve& target, const signal::CCurve& measured,
         design::CConfigTargets& targets, const design::TargetConfig& config, int c, int ch) {
    design.Clear();
    design.InitStages(stages);
    design.GainSteps = 0;
    design.SampleRate = rate;
    design.TargetCurve = &target;
    const bool sub = ch == signal::ChannelTable::kSubwoofer;
    design::FitOptions options;
    options.IsSubwoofer = sub ? 1 : 0;
    options.GroupFlag = config.GroupFlagFor(c, signal::ChannelTable::kGroupOf[static_cast<std::size_t>(ch)]);
    const double level = (sub ? config.RoomGainDb[static_cast<std::size_t>(c)] : 0.0) + config.RefLevel +
                         config.RefLevelOffsetDb;
    const double upper = targets.TargetFor(ch).UpperEqLimit();
    const double lower = targets.GetLowerEqLimit(ch);
    design::FitCorrectionFilter(design, measured, options, lower, upper, level);
    design.Finalize();
}

}  // namespace

CEqCalcProc::CEqCalcProc(document::CHalvaneDoc& document, Coefficients coefficients)
    : CProcBase(&document), coefficients_(coefficients) {
    title_ = "Calculation Procedure";
}

void StoreBiquadTable(document::DocumentData& document, const design::FilterDesign& design, std::int32_t rateIndex, int channel,
                      int configuration) {
    document::FilterSet& set = Record(document, configuration, rateIndex, channel);
    set.Gain = design.GainSteps & 0xFFFFFF;
    set.Filled = 1;
    const int limit = document.Limits().StageCount();
    for (int i = 0; i < limit && i < document::FilterSet::kMaxStages; ++i) {
        design::Biquad stage = i < design.StageCount ? design.StoredStage(i) : design::Biquad::Identity();
        stage.flag = 0;
        stage.inUse = 1;
        set.Stages[static_cast<std::size_t>(i)] = stage;
    }
}

int CEqCalcProc::Run(void*) {
    IProcDialog* host = Host();
    DoneGuard guard(host);
    const std::atomic<std::int32_t>* running = host != nullptr ? &host->RunningFlag() : nullptr;
    auto& doc = *static_cast<document::CHalvaneDoc*>(Document());

    const link::ConTypes::UnitClassBase* unitClass = link::ConTypes::FindUnitClass(doc.m_nUnitKind);
    if (unitClass == nullptr)
        throw diagnostics::TException("The document is not designed for a known unit class (" + std::to_string(doc.m_nUnitKind) +
                         "); connect the processor or choose its class first.");
    const link::UnitClassLimits limits = doc.Limits();
    const int rates = limits.RateCount();
    const std::int32_t designIndex = rates == 8 ? 6 : 3;
    const std::int32_t designHz = link::CSampFS(designIndex, rates).GetFrequency();
    const std::int32_t hz32k = link::CSampFS(k32kSlot, rates).GetFrequency();
    const int stages = limits.StageCount() - (unitClass->IsReceiverClass() ? 1 : 0);
    const design::CoefficientLattice& lattice = link::HeldWordLattice(unitClass->IsReceiverClass());
    design::FilterDesign design;

    for (int c = 0; c < 2; ++c) {
        const signal::CCurveSet& measuredSet = *doc.CurveSetSlot(c);
        const design::TargetConfig& config = doc.m_TargetConfig;
        // The fit applies the level itself, so the targets come without it.
        design::CConfigTargets targets(doc.m_nUnitKind, c, measuredSet, config, hz32k);
        signal::CCurveSet at32k, atDesign;
        design::BuildTargetCurves(targets, at32k, false);
        targets.SetSampleRate(designHz);
        design::BuildTargetCurves(targets, atDesign, false);

        if (host != nullptr) {
            char text[64];
            std::snprintf(text, sizeof text, "Calculating %s correction...", kConfigNames[c]);
            host->SetDisplayString(text);
            host->SetRange(rates * doc.CurveSetSlot(c + 4)->Count());
        }
        signal::CCurveSet& work = *doc.CurveSetSlot(c + 10);

        for (int ch = 0; ch < signal::ChannelTable::kCount; ++ch) {
            const signal::CCurve* measuredCurve = measuredSet.Find(ch);
            const signal::CCurve* target = atDesign.Find(ch);
            if (measuredCurve != nullptr && target != nullptr) {
                const std::unique_ptr<signal::CCurve> measured = measuredCurve->Clone();
                Fit(design, stages, designHz, *target, *measured, targets, config, c, ch);
                // The exact design-rate chain every converted slot starts from.
                StoreBiquadTable(doc, design, designIndex, ch, c);
                const document::FilterSet designRecord = Record(doc, c, designIndex, ch);

                // Every slot's exact chain first; then the words each will be
                // held in, chosen for all slots at once (the choice is most of
                // the calculation's time, and each slot's is its own).
                std::vector<std::optional<design::FilterDesign>> slots(static_cast<std::size_t>(rates));
                for (int r = 0; r < rates; ++r) {
                    std::optional<design::FilterDesign>& slot = slots[static_cast<std::size_t>(r)];
                    if (r == designIndex) {
                        slot = design;
                    } else if (r == k32kSlot) {
                        const signal::CCurve* target32 = at32k.Find(ch);
                        // No own fit: an earlier calculation's filters must
                        // not stay behind for this rate.
                        if (target32 == nullptr) continue;
                        design::FilterDesign own;
                        targets.SetSampleRate(hz32k);
                        Fit(own, stages, hz32k, *target32, *measured, targets, config, c, ch);
                        targets.SetSampleRate(designHz);
                        slot = std::move(own);
                    } else {
                        // Every other rate starts from the design-rate stages
                        // and gain word, never from the slot before.
                        design::FilterDesign converted;
                        converted.InitStages(stages);
                        converted.SampleRate = designHz;
                        for (int i = 0; i < stages; ++i)
                            converted.LoadStage(designRecord.Stages[static_cast<std::size_t>(i)], i);
                        converted.LoadGainWord(designRecord.Gain);
                        converted.ChangeSampleRate(link::CSampFS(r, rates).GetFrequency());
                        slot = std::move(converted);
                    }
                }
                if (coefficients_ == Coefficients::Held) {
                    std::vector<design::FilterDesign*> each;
                    for (auto& slot : slots) each.push_back(slot ? &*slot : nullptr);
                    design::ChooseHeldCoefficients(each, lattice);
                }

                // The calculated response is what the processor will do.
                auto calculated = std::make_unique<signal::CCurve>();
                slots[static_cast<std::size_t>(designIndex)]->ApplyToCurve(*calculated, *measured);
                work.Add(ch, std::move(calculated));
                for (int r = 0; r < rates; ++r) {
                    const std::optional<design::FilterDesign>& slot = slots[static_cast<std::size_t>(r)];
                    if (slot)
                        StoreBiquadTable(doc, *slot, r, ch, c);
                    else
                        Record(doc, c, r, ch).Reset();
                    if (host != nullptr) host->Step(1);
                }
            }
            CheckAbort(running);
        }
        CheckAbort(running);
    }
    guard.Dismiss();
    if (host != nullptr) host->Done(1);
    return 1;
}

void CEqCalcProc::OnProcedureComplete(int result, const diagnostics::TException*, platform::WindowHandle) {
    auto* doc = static_cast<document::CHalvaneDoc*>(Document());
    if (doc == nullptr) return;
    if (result != 1) {
        doc->CurveSetSlot(document::DocumentData::NewCalculatedMovie)->Clear();
        doc->CurveSetSlot(document::DocumentData::NewCalculatedMusic)->Clear();
    }
    doc->ClearCalculatedCurves();
}

bool RunEqCalcProc(platform::WindowHandle parent, document::CHalvaneDoc& document, IProcDialog* host, std::string* failure,
                   const ProcedureDialogShell& shell) {
    CEqCalcProc job(document);
    if (DoProcedure(&job, parent, host, shell) == 1) return true;
    if (failure != nullptr) *failure = job.LastErrorText(CEqCalcProc::kFailedText);
    return false;
}

}  // namespace halvane::procedures
