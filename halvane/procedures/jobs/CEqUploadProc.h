#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "halvane/diagnostics/Progress.h"
#include "halvane/procedures/framework/CProcBase.h"
#include "halvane/procedures/framework/DoProcedure.h"
#include "platform/UserPrompt.h"
#include "platform/WindowHandle.h"

namespace halvane::link::ConTypes {
class UnitBase;
}

namespace halvane::document {
class CHalvaneDoc;
}

namespace halvane::procedures {


// Writes the document's correction to the connected processor: gains,
// room-correction coefficients, speaker configuration and levels (mode 0),
// or only the gains and coefficients in their erased form (mode 2). The job
// hands the unit its progress object (UnitProgress), so long unit operations
// report to the host and stop on an abort.
//
// An upload to a unit of another class than the document's writes nothing
// and ends with the class's conversion code (0xFFFD class 1, 0xFFFF class
// 2, 0xFFFE class 4). An erase writes with the connected unit's own limits
// and leaves the document's in force.
class CEqUploadProc final : public CProcBase {
public:
    static constexpr int kUpload = 0;
    static constexpr int kErase = 2;

    CEqUploadProc(document::CHalvaneDoc& document, int mode);

    int Run(void* argument) override;
    void OnProcedureComplete(int result, const diagnostics::TException* lastError, platform::WindowHandle parent) override;

    // The unit's view of the job: texts, steps and the abort go to the host.
    class UnitProgress final : public diagnostics::ConTypes::Progress {
    public:
        UnitProgress(CEqUploadProc& job, platform::UserPrompt* prompt) : Progress(prompt), job_(job) {}
        void SetRange(int total) override;
        void Step(int steps) override;
        // Passed on only while the run is not aborted.
        void SetText(std::string text) override;
        platform::WindowHandle GetWindow() override;
        // Clears the host's running flag.
        void Abort() override;
        int IsAborted() const override;
        // "Procedure aborted\n" once the host's running flag is 0.
        void ThrowIfAborted() override;

    private:
        CEqUploadProc& job_;
    };

    UnitProgress& GetProgress() { return progress_; }
    int Mode() const { return mode_; }

private:
    std::atomic<const std::atomic<std::int32_t>*> running_{nullptr};
    int mode_;
    link::ConTypes::UnitBase* unit_ = nullptr;
    UnitProgress progress_;
};

// The main window's Upload and the wizard's third step: the raw result (1,
// 2 or a conversion code). Without a host it runs under the progress
// dialog `shell` shows.
int RunUploadProc(platform::WindowHandle parent, document::CHalvaneDoc& document, IProcDialog* host,
                  const ProcedureDialogShell& shell = {});
// The Erase command, always under the modal progress dialog (`host` is for
// tests; null in the program).
int RunEraseProc(platform::WindowHandle parent, document::CHalvaneDoc& document, IProcDialog* host = nullptr,
                 const ProcedureDialogShell& shell = {});

}  // namespace halvane::procedures
