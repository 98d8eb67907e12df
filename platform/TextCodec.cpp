#include "platform/TextCodec.h"

#include <cstdint>

namespace platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Windows-1252 differs from Latin-1 only in 0x80-0x9F. The five codes the
// code page leaves undefined map to the C1 controls, as Windows itself
// converts them.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto b0 = static_cast<std::uint8_t>(utf8[i]);
        char32_t c = kReplacement;
        std::size_t len = 1;
        if (b0 < 0x80) {
            c = b0;
        } else {
            std::size_t extra = 0;
            char32_t min = 0;
            if ((b0 & 0xE0) == 0xC0) { extra = 1; c = b0 & 0x1F; min = 0x80; }
            else if ((b0 & 0xF0) == 0xE0) { extra = 2; c = b0 & 0x0F; min = 0x800; }
            else if ((b0 & 0xF8) == 0xF0) { extra = 3; c = b0 & 0x07; min = 0x10000; }
            bool ok = extra > 0;
            for (std::size_t k = 1; ok && k <= extra; ++k) {
                if (i + k >= utf8.size()) { ok = false; break; }
                const auto bk = static_cast<std::uint8_t>(utf8[i + k]);
                if ((bk & 0xC0) != 0x80) { ok = false; break; }
                c = (c << 6) | (bk & 0x3F);
            }
            if (ok && (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))) ok = false;
            if (ok) {
                len = extra + 1;
            } else {
                c = kReplacement;
                // Skip the lead byte and any continuation bytes after it.
                while (i + len < utf8.size() && (static_cast<std::uint8_t>(utf8[i + len]) & 0xC0) == 0x80 &&
                       len < 4)
                    ++len;
            }
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i += len;
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t c = utf16[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
                ++i;
            } else {
                c = kReplacement;
            }
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            c = kReplacement;
        }
        appendUtf8(out, c);
    }
    return out;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const auto b = static_cast<std::uint8_t>(ch);
        appendUtf8(out, (b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : char32_t{b});
    }
    return out;
}

}  // namespace platform
