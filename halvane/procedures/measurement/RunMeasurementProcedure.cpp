#include "halvane/procedures/measurement/RunMeasurementProcedure.h"

#include "halvane/document/CHalvaneDoc.h"
#include "halvane/procedures/framework/DoProcedure.h"
#include "halvane/procedures/measurement/UpdateDocMeasurements.h"

#include <memory>
#include <stdexcept>

namespace halvane::procedures {

namespace {

// The document's contents after a completed run: what emptying the
// document keeps (the configuration shown and the target configuration),
// the run's measurements, correction kind, calibration and unit class, and
// filter sets back at their reset state. Built beside the document, which
// is not touched.
document::DocumentData MeasuredContents(const document::DocumentData& document, CEqMeasurementProc& job) {
    document::DocumentData contents;
    contents.m_nConfig = document.m_nConfig;
    contents.m_TargetConfig = document.m_TargetConfig;
    contents.m_nUnitKind = job.UnitClass();
    contents.m_nCorrectionKind = job.CorrectionKind();
    UpdateDocMeasurements(&job.Measurements(0), 0, contents);
    UpdateDocMeasurements(job.Session().MeasureMusicConfig() != 0 ? &job.Measurements(1) : &job.Measurements(0), 1,
                          contents);
    contents.SetCalibrationData(job.Calibration().data);
    contents.m_CalibrationIds = {job.Calibration().firstId, job.Calibration().secondId};
    return contents;
}

}  // namespace

bool RunMeasurementProcedure(platform::WindowHandle parent, document::CHalvaneDoc* document, IProcDialog* host,
                             const MeasurementServices& services, const ProcedureDialogShell& shell) {
    if (document == nullptr) throw std::logic_error("Measurement without a document");
    auto job = std::make_unique<CEqMeasurementProc>(document, services);
    const int result = DoProcedure(job.get(), parent, host, shell);
    if (result == 1) {
        document->ReplaceContents(MeasuredContents(*document, *job));
        document->SetModifiedFlag(true);
    }
    job.reset();
    return result == 1;
}

}  // namespace halvane::procedures
