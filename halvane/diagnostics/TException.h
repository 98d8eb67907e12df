#pragma once

#include <string>

namespace halvane::diagnostics {

// The program's general exception: a text meant for the user. It is a class
// of its own, not a std::exception, so a handler for std::exception never
// sees it (the worker loop tells the two apart).
class TException {
public:
    explicit TException(const char* text) : message_(text != nullptr ? text : "") {}
    explicit TException(std::string text) : message_(std::move(text)) {}
    TException(const TException&) = default;
    TException& operator=(const TException&) = default;
    virtual ~TException() = default;

    // Valid as long as this object lives.
    virtual const char* what() const noexcept { return message_.c_str(); }
    const std::string& message() const noexcept { return message_; }

private:
    std::string message_;
};

}  // namespace halvane::diagnostics
