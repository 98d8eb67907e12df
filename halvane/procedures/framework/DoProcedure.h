#pragma once

#include "halvane/procedures/framework/CProcBase.h"
#include "halvane/procedures/framework/IProcDialog.h"
#include "halvane/procedures/framework/ProcedureDialogController.h"
#include "platform/WindowHandle.h"

#include <functional>

namespace halvane::procedures {

// Runs the modal progress dialog over `parent` for the controller's
// procedure and returns the code it was ended with. The program hands its
// Qt dialog down to the jobs it runs; where none is given (empty), the
// headless one runs.
using ProcedureDialogShell = std::function<int(ProcedureDialogController& dialog, platform::WindowHandle parent)>;

// The one entry through which every job runs; returns its result code.
// - With a host: runs the job synchronously on the calling thread
//   (Execute), and the result is the host's GetResult.
// - Without: gives the procedure a fresh worker (the old one ended first),
//   runs the modal progress dialog (`shell`, or the headless one when it is
//   empty) with the procedure's title as caption and an empty status
//   argument, and the result is the code the dialog ended with. Before the
//   dialog goes, the run on the worker has finished: a dialog that ended
//   with the job still running (it can only have been closed from outside)
//   aborts it and waits for it, keeping the interface's events running
//   meanwhile.
// Then the procedure's OnProcedureComplete(result, last error, parent) runs
// on the calling thread and the host is cleared (also when it throws; under
// the dialog it is cleared before, as the dialog has gone by then).
int DoProcedure(CProcBase* procedure, platform::WindowHandle parent, IProcDialog* host,
                const ProcedureDialogShell& shell = {});

}  // namespace halvane::procedures
