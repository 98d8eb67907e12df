#pragma once

#include <cstdint>
#include <string>

namespace platform {
class UserPrompt;
}

namespace halvane::document {

class CHalvaneDoc;

// The jobs the main frame and the start-up start on the document. Each
// returns the job's own result code: 1 for a completed run (OK for the
// wizard and the target customisation), anything else for a failed or
// cancelled one; the upload may also return a conversion code
// (0xFFFC-0xFFFF) when the connected unit is of another class. The program
// hands its real jobs to the shell and the start-up; tests script the codes.
class ProcedureService {
public:
    virtual ~ProcedureService() = default;

    virtual int RunMeasurementProcedure(CHalvaneDoc& doc) = 0;
    virtual int RunEqCalcProc(CHalvaneDoc& doc) = 0;
    virtual int RunUploadProc(CHalvaneDoc& doc) = 0;
    virtual int RunEraseProc(CHalvaneDoc& doc) = 0;
    // Crossovers from the measured sets of Movie and Music.
    virtual int RunAutoDetectXOvers(CHalvaneDoc& doc) = 0;
    virtual int RunRecalcTarg(CHalvaneDoc& doc) = 0;
    // The target customisation; 1 when the user confirmed it.
    virtual int OpenTargetCustomization(CHalvaneDoc& doc) = 0;
    virtual int RunQuickMeasure(CHalvaneDoc& doc) = 0;
    // The automatic-mode wizard; 1 when it ended with "Show Results".
    virtual int RunWizard(CHalvaneDoc& doc) = 0;
};

// What a program without the jobs does: it says plainly that the job is
// not available in this build and returns 0 (never a silent success).
class UnavailableProcedureService final : public ProcedureService {
public:
    // Null: the process-wide prompt.
    explicit UnavailableProcedureService(platform::UserPrompt* prompt = nullptr) : prompt_(prompt) {}

    int RunMeasurementProcedure(CHalvaneDoc&) override { return Unavailable("Measurement"); }
    int RunEqCalcProc(CHalvaneDoc&) override { return Unavailable("Calculation"); }
    int RunUploadProc(CHalvaneDoc&) override { return Unavailable("Upload"); }
    int RunEraseProc(CHalvaneDoc&) override { return Unavailable("Erase"); }
    int RunAutoDetectXOvers(CHalvaneDoc&) override { return Unavailable("Crossover detection"); }
    int RunRecalcTarg(CHalvaneDoc&) override { return Unavailable("Target recalculation"); }
    int OpenTargetCustomization(CHalvaneDoc&) override { return Unavailable("Target customization"); }
    int RunQuickMeasure(CHalvaneDoc&) override { return Unavailable("Quick Measure"); }
    int RunWizard(CHalvaneDoc&) override { return Unavailable("The room correction wizard"); }

    // The text shown for a job.
    static std::string Message(const std::string& job);

private:
    int Unavailable(const std::string& job);
    platform::UserPrompt* prompt_;
};

}  // namespace halvane::document
