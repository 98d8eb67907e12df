#pragma once

#include <cstdint>
#include <string>

namespace halvane::diagnostics {

// The exception of the chirp processing's subwoofer checks. A plain class,
// unrelated to TException: a TException handler lets it pass, and in a
// worker loop it counts as an unhandled exception. Handlers read the message
// directly; the code is always 4 and nothing reads it.
class TCodedException {
public:
    explicit TCodedException(const char* text) : message(text != nullptr ? text : "") {}
    explicit TCodedException(std::string text) : message(std::move(text)) {}

    std::string message;
    std::int32_t code = 4;
};

}  // namespace halvane::diagnostics
