#pragma once

#include <string>
#include <string_view>

namespace platform {

// The text conversions at the edges of the programs: their own text is
// UTF-8, archives store UTF-16LE, and old 8-bit archives hold text in the
// Windows ANSI code page (Windows-1252 on the machines that wrote them).
// Malformed input never fails a conversion: it becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);
std::string Windows1252ToUtf8(std::string_view bytes);

}  // namespace platform
