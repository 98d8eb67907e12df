#include "halvane/document/ProcedureService.h"

#include <atomic>

#include "platform/UserPrompt.h"

namespace halvane::document {

namespace {
std::atomic<ProcedureService*> installed{nullptr};
}  // namespace

std::string UnavailableProcedureService::Message(const std::string& job) {
    return job + " is not available in this build of Halvane.";
}

int UnavailableProcedureService::Unavailable(const std::string& job) {
    platform::UserPrompt& prompt = prompt_ != nullptr ? *prompt_ : platform::CurrentUserPrompt();
    prompt.MessageBox(Message(job), "", platform::MB_OK | platform::MB_ICONERROR);
    return 0;
}

ProcedureService& CurrentProcedureService() {
    static UnavailableProcedureService fallback;
    ProcedureService* service = installed.load();
    return service != nullptr ? *service : fallback;
}

void SetProcedureService(ProcedureService* service) { installed.store(service); }

}  // namespace halvane::document
