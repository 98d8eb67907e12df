#pragma once

#include "halvane/document/ProcedureService.h"
#include "halvane/document/TargetJobs.h"

#include <array>

namespace halvane {

// The program's jobs behind the main frame's commands: calculation, upload,
// erase, crossover detection, target recalculation, the target
// customisation and Quick Measure run for real, each under the modal
// progress dialog. The measurement and the wizard still lack their
// dialog-side services here, so they say they are not available rather
// than pretend to run.
class JobsProcedureService final : public ProcedureService, public TargetJobs {
public:
    int RunMeasurementProcedure(CHalvaneDoc& doc) override { return unavailable_.RunMeasurementProcedure(doc); }
    int RunEqCalcProc(CHalvaneDoc& doc) override;
    int RunUploadProc(CHalvaneDoc& doc) override;
    int RunEraseProc(CHalvaneDoc& doc) override;
    int RunAutoDetectXOvers(CHalvaneDoc& doc) override;
    int RunRecalcTarg(CHalvaneDoc& doc) override;
    int OpenTargetCustomization(CHalvaneDoc& doc) override;
    int RunQuickMeasure(CHalvaneDoc& doc) override;
    int RunWizard(CHalvaneDoc& doc) override { return unavailable_.RunWizard(doc); }

    // The target customisation's Auto Detect.
    int RunAutoDetectXOvers(platform::WindowHandle parent, std::array<CCurveSet, 2>& measured, TargetConfig& config,
                            std::int32_t unitKind) override;

private:
    UnavailableProcedureService unavailable_;
};

}  // namespace halvane
