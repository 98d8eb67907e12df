#pragma once

#include <cstdarg>
#include <string>

namespace halvane::diagnostics {

// The raising helpers through which Halvane throws. Each formats or looks up
// the text and throws a TException built from it; none logs or shows
// anything (showing the text is the catcher's task).

// The format filled in with the values, printf-style.
[[noreturn]] void ThrowError(const char* format, ...) __attribute__((format(printf, 1, 2)));
[[noreturn]] void ThrowErrorV(const char* format, std::va_list args) __attribute__((format(printf, 1, 0)));

// The string-table entry `id` filled in with the values. An id with no entry
// gives an empty message.
[[noreturn]] void ThrowErrorId(int id, ...);

// The text itself, or the string-table entry of `id`; nothing filled in.
[[noreturn]] void ThrowErrorText(const char* text);
[[noreturn]] void ThrowErrorText(const std::string& text);
[[noreturn]] void ThrowErrorText(int id);

}  // namespace halvane::diagnostics
