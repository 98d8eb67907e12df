#include "pellivar/LastResort.h"

#include <exception>

namespace pellivar {

std::string FatalErrorText(const char* what) {
    if (what == nullptr) return "Unrecognized exception";
    return std::string(what) + "\n\nApplication is closing.";
}

int GuardedRun(const std::function<int()>& body, const std::function<void(const std::string&)>& showFatal) {
    try {
        return body();
    } catch (const std::exception& e) {
        showFatal(FatalErrorText(e.what()));
    } catch (...) {
        // Not a standard exception: there is no text to show.
        showFatal(FatalErrorText(nullptr));
    }
    return 1;
}

}  // namespace pellivar
