#pragma once

#include "halvane/diagnostics/Progress.h"

#include <cstdarg>
#include <string>

namespace halvane::diagnostics::ConTypes {

// Status texts for a job's progress. The format rules are printf's; caller
// text goes through SetProgressTextString (or "%s"), never as a format.
void SetProgressText(Progress& progress, const char* format, ...) __attribute__((format(printf, 2, 3)));
void SetProgressTextV(Progress& progress, const char* format, std::va_list args) __attribute__((format(printf, 2, 0)));
void SetProgressTextString(Progress& progress, std::string text);

// Asks what to do after a failed device step, with the Abort/Retry/Ignore
// buttons and the program's name as caption. Retry (or any answer but the
// other two) gives true and Ignore false; Abort raises `text` followed by
// "\nUser abort." and does not return.
bool AskAbortRetryIgnore(Progress& progress, const std::string& text);

}  // namespace halvane::diagnostics::ConTypes
