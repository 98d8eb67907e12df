#include "halvane/app/JobsProcedureService.h"

#include "halvane/app/CQuickMeasureDlg.h"
#include "halvane/app/models/TargetCustomizationShell.h"
#include "halvane/document/CHalvaneDoc.h"
#include "halvane/procedures/jobs/CEqCalcProc.h"
#include "halvane/procedures/jobs/CEqUploadProc.h"
#include "halvane/procedures/jobs/CrossoverTargetJobs.h"

namespace halvane {

namespace {
// Measured Movie and Music.
constexpr int kMeasuredMovie = 0;
constexpr int kMeasuredMusic = 1;
const CCurveSet kNoCurves;
}  // namespace

int JobsProcedureService::RunEqCalcProc(CHalvaneDoc& doc) {
    return halvane::RunEqCalcProc({}, doc, nullptr) ? 1 : 2;
}

int JobsProcedureService::RunUploadProc(CHalvaneDoc& doc) { return halvane::RunUploadProc({}, doc, nullptr); }

int JobsProcedureService::RunEraseProc(CHalvaneDoc& doc) { return halvane::RunEraseProc({}, doc, nullptr); }

int JobsProcedureService::RunAutoDetectXOvers(CHalvaneDoc& doc) {
    const CCurveSet* movie = doc.GetCurveSet(kMeasuredMovie);
    const CCurveSet* music = doc.GetCurveSet(kMeasuredMusic);
    const int result = halvane::RunAutoDetectXOvers(nullptr, {}, movie ? *movie : kNoCurves,
                                                    music ? *music : kNoCurves, doc.m_TargetConfig, doc.m_nUnitKind);
    if (result == 1) doc.SetModifiedFlag();
    return result;
}

int JobsProcedureService::RunAutoDetectXOvers(platform::WindowHandle parent, std::array<CCurveSet, 2>& measured,
                                              TargetConfig& config, std::int32_t unitKind) {
    return halvane::RunAutoDetectXOvers(nullptr, parent, measured[0], measured[1], config, unitKind);
}

int JobsProcedureService::RunRecalcTarg(CHalvaneDoc& doc) {
    const int result = halvane::RunRecalcTarg(doc, nullptr, {});
    if (result == 1) doc.SetModifiedFlag();
    return result;
}

int JobsProcedureService::OpenTargetCustomization(CHalvaneDoc& doc) {
    SetTargetJobs(this);
    const bool ok = halvane::OpenTargetCustomization(doc, doc.m_nUnitKind);
    SetTargetJobs(nullptr);
    return ok ? 1 : 2;
}

int JobsProcedureService::RunQuickMeasure(CHalvaneDoc&) {
    CQuickMeasureDlg dialog(CQuickMeasureController::Options{});
    return dialog.RunModal();
}

}  // namespace halvane
