#include "halvane/diagnostics/ProgressText.h"

#include "halvane/diagnostics/Format.h"
#include "halvane/diagnostics/ThrowError.h"
#include "platform/UserPrompt.h"

namespace halvane::diagnostics::ConTypes {

void SetProgressText(Progress& progress, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::string text = diagnostics::FormatV(format, args);
    va_end(args);
    progress.SetText(std::move(text));
}

void SetProgressTextV(Progress& progress, const char* format, std::va_list args) {
    progress.SetText(diagnostics::FormatV(format, args));
}

void SetProgressTextString(Progress& progress, std::string text) { progress.SetText(std::move(text)); }

bool AskAbortRetryIgnore(Progress& progress, const std::string& text) {
    const std::string prompt = diagnostics::Format(
        "%s\nClicking:\nAbort will abort the procedure\nRetry will try again\nIgnore will resume the procedure",
        text.c_str());
    const int answer = progress.MessageBox(prompt, "", platform::MB_ABORTRETRYIGNORE);
    // The text is raised as it is: a '%' in a failure text is not a format.
    if (answer == platform::IDABORT) diagnostics::ThrowError("%s\nUser abort.", text.c_str());
    if (answer == platform::IDIGNORE) return false;
    return true;
}

}  // namespace halvane::diagnostics::ConTypes
