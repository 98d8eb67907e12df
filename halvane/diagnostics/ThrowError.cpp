#include "halvane/diagnostics/ThrowError.h"

#include "halvane/diagnostics/Format.h"
#include "halvane/diagnostics/HalvaneStrings.h"
#include "halvane/diagnostics/TException.h"
#include "platform/StringTable.h"

namespace halvane::diagnostics {

void ThrowError(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::string text = FormatV(format, args);
    va_end(args);
    throw TException(std::move(text));
}

void ThrowErrorV(const char* format, std::va_list args) { throw TException(FormatV(format, args)); }

void ThrowErrorId(int id, ...) {
    RegisterHalvaneStrings();
    const std::string format = platform::processStrings().text(id);
    std::va_list args;
    va_start(args, id);
    std::string text = FormatDynamicV(format, args);
    va_end(args);
    throw TException(std::move(text));
}

void ThrowErrorText(const char* text) { throw TException(text); }

void ThrowErrorText(const std::string& text) { throw TException(text); }

void ThrowErrorText(int id) {
    RegisterHalvaneStrings();
    throw TException(platform::processStrings().text(id));
}

}  // namespace halvane::diagnostics
