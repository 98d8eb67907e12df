#pragma once

#include <functional>
#include <string>

namespace pellivar {

// The program's last word on a failure nothing else caught: the exception's
// own text and that the program closes, or "Unrecognized exception" for one
// that carries no text.
inline constexpr const char* kFatalCaption = "Fatal Error";
std::string FatalErrorText(const char* what);

// Runs the program's body; a failure that escapes it is shown through
// `showFatal` and gives a non-zero exit code.
int GuardedRun(const std::function<int()>& body, const std::function<void(const std::string&)>& showFatal);

}  // namespace pellivar
