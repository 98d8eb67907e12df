#pragma once

#include "halvane/diagnostics/TException.h"

#include <functional>
#include <string>

namespace testsupport {

// What a failing call tells the user: the text of the TException `fn`
// raises, or "(no failure)" when it returns normally. Any other exception
// passes through (and fails the test).
inline std::string MessageOf(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const halvane::diagnostics::TException& e) {
        return e.message();
    }
    return "(no failure)";
}

}  // namespace testsupport
