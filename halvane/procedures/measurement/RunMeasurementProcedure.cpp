#include "halvane/procedures/measurement/RunMeasurementProcedure.h"

#include "halvane/document/CHalvaneDoc.h"
#include "halvane/procedures/framework/DoProcedure.h"
#include "halvane/procedures/measurement/UpdateDocMeasurements.h"

#include <memory>
#include <stdexcept>

namespace halvane {

bool RunMeasurementProcedure(platform::WindowHandle parent, CHalvaneDoc* document, IProcDialog* host,
                             const MeasurementServices& services) {
    if (document == nullptr) throw std::logic_error("Measurement without a document");
    document->DeleteContents();
    auto job = std::make_unique<CEqMeasurementProc>(document, services);
    const int result = DoProcedure(job.get(), parent, host);
    if (result == 1) {
        document->m_bOlderVersion = 0;
        document->m_nCorrectionKind = job->CorrectionKind();
        UpdateDocMeasurements(&job->Measurements(0), 0, *document);
        UpdateDocMeasurements(MeasureMusicConfig.load() != 0 ? &job->Measurements(1) : &job->Measurements(0), 1,
                              *document);
        document->SetCalibrationData(job->Calibration().data);
        document->SetModifiedFlag(true);
        document->RefreshMainFrameViews();
    }
    job.reset();
    return result == 1;
}

}  // namespace halvane
