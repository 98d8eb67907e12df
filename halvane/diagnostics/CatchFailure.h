#pragma once

#include "halvane/diagnostics/TException.h"

#include <exception>

namespace halvane::diagnostics {

// Runs `body`. When it raises a failure meant for the user, the program's
// TException or a std::exception, `onFailure` gets the failure's text and
// the call answers false; anything else passes through. A TException is no
// std::exception, so without this every handler that reports failures needs
// the same pair of catch blocks.
template <class Body, class OnFailure>
bool CatchFailure(Body&& body, OnFailure&& onFailure) {
    try {
        body();
        return true;
    } catch (const TException& e) {
        onFailure(e.what());
    } catch (const std::exception& e) {
        onFailure(e.what());
    }
    return false;
}

}  // namespace halvane::diagnostics
