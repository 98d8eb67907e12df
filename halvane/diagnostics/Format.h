#pragma once

#include <cstdarg>
#include <string>

namespace halvane::diagnostics {

// printf-style formatting into a string, by the C library's rules ("%s"
// takes a char* of UTF-8 text, "%d" an int, "%lf" a double, "%%" a percent
// sign). Caller text never goes in as the format: pass it through "%s".
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* format, std::va_list args) __attribute__((format(printf, 1, 0)));

// The same for a format that is not a literal (a string-table entry). The
// arguments cannot be checked against it at compile time.
std::string FormatDynamicV(const std::string& format, std::va_list args);

}  // namespace halvane::diagnostics
