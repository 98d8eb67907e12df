#include "halvane/diagnostics/Format.h"

#include <cstdio>
#include <vector>

namespace halvane::diagnostics {

namespace {
// One pass to measure, one to write; a va_list is used once per pass.
std::string formatChecked(const char* format, std::va_list args) {
    if (format == nullptr) return {};
    std::va_list measure;
    va_copy(measure, args);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    const int n = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (n <= 0) return {};
    std::vector<char> buffer(static_cast<std::size_t>(n) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
#pragma GCC diagnostic pop
    return std::string(buffer.data(), static_cast<std::size_t>(n));
}
}  // namespace

std::string Format(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::string text = formatChecked(format, args);
    va_end(args);
    return text;
}

std::string FormatV(const char* format, std::va_list args) { return formatChecked(format, args); }

std::string FormatDynamicV(const std::string& format, std::va_list args) {
    return formatChecked(format.c_str(), args);
}

}  // namespace halvane::diagnostics
