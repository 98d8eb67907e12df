#include "halvane/document/ProcedureService.h"

#include "platform/UserPrompt.h"

namespace halvane::document {

std::string UnavailableProcedureService::Message(const std::string& job) {
    return job + " is not available in this build of Halvane.";
}

int UnavailableProcedureService::Unavailable(const std::string& job) {
    platform::UserPrompt& prompt = prompt_ != nullptr ? *prompt_ : platform::CurrentUserPrompt();
    prompt.MessageBox(Message(job), "", platform::MB_OK | platform::MB_ICONERROR);
    return 0;
}

}  // namespace halvane::document
