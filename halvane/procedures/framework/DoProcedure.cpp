#include "halvane/procedures/framework/DoProcedure.h"

#include "halvane/procedures/framework/HeadlessProcedureDialog.h"

#include <stdexcept>

namespace halvane::procedures {

namespace {

// Clears the procedure's host however DoProcedure is left.
class HostScope {
public:
    HostScope(CProcBase& procedure, IProcDialog* host) : procedure_(procedure) { procedure_.SetHost(host); }
    ~HostScope() { procedure_.SetHost(nullptr); }
    HostScope(const HostScope&) = delete;
    HostScope& operator=(const HostScope&) = delete;

private:
    CProcBase& procedure_;
};

int runUnderDialog(CProcBase& procedure, platform::WindowHandle parent, const ProcedureDialogShell& shell) {
    procedure.CreateWorker();
    ProcedureDialogController dialog(procedure, procedure.Title(), std::string());
    HostScope scope(procedure, &dialog);
    int result = 2;
    try {
        result = shell ? shell(dialog, parent) : RunHeadlessProcedureDialog(dialog, parent);
    } catch (...) {
        // The job may still hold the dialog as its host: stop it first.
        dialog.RunningFlag().store(0);
        procedure.WaitForQueuedRuns();
        throw;
    }
    if (procedure.HasQueuedRuns()) {
        // Ended from outside with the job still running: it must not outlive
        // the host it reports to.
        dialog.RunningFlag().store(0);
        procedure.WaitForQueuedRuns();
    }
    return result;
}

}  // namespace

int DoProcedure(CProcBase* procedure, platform::WindowHandle parent, IProcDialog* host, const ProcedureDialogShell& shell) {
    if (procedure == nullptr) throw std::logic_error("DoProcedure called without a procedure");
    int result = 0;
    if (host != nullptr) {
        HostScope scope(*procedure, host);
        procedure->Execute(nullptr);
        result = host->GetResult();
        procedure->OnProcedureComplete(result, procedure->LastError(), parent);
        return result;
    }
    result = runUnderDialog(*procedure, parent, shell);
    HostScope cleared(*procedure, nullptr);
    procedure->OnProcedureComplete(result, procedure->LastError(), parent);
    return result;
}

}  // namespace halvane::procedures
