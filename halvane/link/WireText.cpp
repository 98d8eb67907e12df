#include "halvane/link/WireText.h"

#include <cctype>
#include <charconv>
#include <limits>
#include <system_error>

namespace halvane::link::Comm {

namespace {

// One printf/scanf conversion: "%[flags][width][.precision][length]conv".
struct Spec {
    std::size_t begin = 0;  // where the conversion starts ('%')...
    std::size_t end = 0;    // ...and the index after its letter
    bool zeroPad = false;
    bool leftAlign = false;
    bool plus = false;
    int width = -1;
    int precision = -1;
    char conv = 0;
};

Spec parseSpec(std::string_view f) {
    Spec s;
    std::size_t i = f.find('%');
    if (i == std::string_view::npos) {
        s.begin = s.end = f.size();
        return s;
    }
    s.begin = i++;
    for (; i < f.size(); ++i) {
        if (f[i] == '0') s.zeroPad = true;
        else if (f[i] == '-') s.leftAlign = true;
        else if (f[i] == '+') s.plus = true;
        else if (f[i] == ' ' || f[i] == '#') continue;
        else break;
    }
    auto number = [&](int& out) {
        if (i >= f.size() || !std::isdigit(static_cast<unsigned char>(f[i]))) return;
        out = 0;
        while (i < f.size() && std::isdigit(static_cast<unsigned char>(f[i])) && out < 1000)
            out = out * 10 + (f[i++] - '0');
    };
    number(s.width);
    if (i < f.size() && f[i] == '.') {
        ++i;
        s.precision = 0;
        number(s.precision);
    }
    while (i < f.size() && (f[i] == 'l' || f[i] == 'h')) ++i;
    if (i < f.size()) s.conv = f[i++];
    s.end = i;
    return s;
}

std::string padded(std::string body, const Spec& s) {
    if (s.width < 0 || static_cast<int>(body.size()) >= s.width) return body;
    const std::size_t fill = static_cast<std::size_t>(s.width) - body.size();
    if (s.leftAlign) return body + std::string(fill, ' ');
    if (s.zeroPad) {
        // Zeros go after the sign: "-0001.50".
        const std::size_t at = (!body.empty() && (body[0] == '-' || body[0] == '+')) ? 1 : 0;
        body.insert(at, fill, '0');
        return body;
    }
    return std::string(fill, ' ') + body;
}

// The format's text around its one conversion, with the value in its place.
std::string pad(std::string body, const Spec& s, std::string_view format) {
    std::string text(format.substr(0, s.begin));
    text += padded(std::move(body), s);
    text += format.substr(s.end);
    return text;
}

bool isSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

// The text a conversion may read: after leading blanks, at most `width`.
std::string_view field(std::string_view text, const Spec& s, std::size_t& start) {
    start = 0;
    while (start < text.size() && isSpace(text[start])) ++start;
    std::string_view rest = text.substr(start);
    if (s.width > 0 && rest.size() > static_cast<std::size_t>(s.width)) rest = rest.substr(0, static_cast<std::size_t>(s.width));
    return rest;
}

ScanResult finish(std::string_view text, std::size_t consumedEnd) {
    ScanResult r;
    r.fields = 1;
    r.trailing = consumedEnd < text.size();
    return r;
}

// Digits of a signed or unsigned integer in `base`; the end index, 0 when none.
template <class T>
std::size_t scanInteger(std::string_view f, int base, T& value, bool& ok) {
    std::size_t i = 0;
    bool negative = false;
    if (i < f.size() && (f[i] == '+' || f[i] == '-')) negative = f[i++] == '-';
    if (base == 16 && i + 2 < f.size() && f[i] == '0' && (f[i + 1] == 'x' || f[i + 1] == 'X') && isHex(f[i + 2]))
        i += 2;
    const std::size_t digits = i;
    std::uint64_t magnitude = 0;
    ok = true;
    while (i < f.size() && (base == 16 ? isHex(f[i]) : isDigit(f[i]))) {
        const char c = f[i];
        const unsigned d = isDigit(c) ? static_cast<unsigned>(c - '0')
                                      : static_cast<unsigned>(std::toupper(static_cast<unsigned char>(c)) - 'A' + 10);
        if (magnitude > (std::numeric_limits<std::uint64_t>::max() - d) / static_cast<unsigned>(base)) ok = false;
        else magnitude = magnitude * static_cast<unsigned>(base) + d;
        ++i;
    }
    if (i == digits) {
        ok = false;
        return 0;
    }
    if constexpr (std::numeric_limits<T>::is_signed) {
        const std::uint64_t limit = negative ? static_cast<std::uint64_t>(std::numeric_limits<T>::max()) + 1
                                             : static_cast<std::uint64_t>(std::numeric_limits<T>::max());
        if (magnitude > limit) ok = false;
        else value = negative ? static_cast<T>(-static_cast<std::int64_t>(magnitude)) : static_cast<T>(magnitude);
    } else {
        if (magnitude > std::numeric_limits<T>::max()) ok = false;
        else value = negative ? static_cast<T>(0u - static_cast<T>(magnitude)) : static_cast<T>(magnitude);
    }
    return i;
}

template <class T>
ScanResult scanIntegral(std::string_view text, std::string_view format, T& out) {
    const Spec s = parseSpec(format);
    int base = 0;
    switch (s.conv) {
    case 'd':
    case 'i':
    case 'u': base = 10; break;
    case 'x':
    case 'X': base = 16; break;
    default: return {};
    }
    std::size_t start = 0;
    const std::string_view f = field(text, s, start);
    bool ok = false;
    T value{};
    const std::size_t end = scanInteger(f, base, value, ok);
    if (!ok) return {};
    out = value;
    return finish(text, start + end);
}

}  // namespace

std::string FormatDouble(std::string_view format, double value) {
    Spec s = parseSpec(format);
    const int precision = s.precision < 0 ? 6 : s.precision;
    char buffer[512];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, precision);
    std::string body = r.ec == std::errc() ? std::string(buffer, r.ptr) : std::string("nan");
    if (s.plus && !body.empty() && body[0] != '-') body.insert(0, 1, '+');
    return pad(std::move(body), s, format);
}

std::string FormatInt(std::string_view format, std::int64_t value) {
    const Spec s = parseSpec(format);
    char buffer[32];
    std::to_chars_result r{};
    if (s.conv == 'X' || s.conv == 'x') {
        // An int argument, as printf has it: negative values show their
        // 32-bit two's complement.
        const auto bits = static_cast<std::uint32_t>(value);
        r = std::to_chars(buffer, buffer + sizeof buffer, bits, 16);
        std::string body(buffer, r.ptr);
        if (s.conv == 'X')
            for (char& c : body) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return pad(std::move(body), s, format);
    }
    r = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string body(buffer, r.ptr);
    if (s.plus && value >= 0) body.insert(0, 1, '+');
    return pad(std::move(body), s, format);
}

ScanResult ScanValue(std::string_view text, std::string_view format, int& out) {
    return scanIntegral(text, format, out);
}

ScanResult ScanValue(std::string_view text, std::string_view format, unsigned& out) {
    return scanIntegral(text, format, out);
}

ScanResult ScanValue(std::string_view text, std::string_view format, double& out) {
    const Spec s = parseSpec(format);
    if (s.conv != 'f' && s.conv != 'e' && s.conv != 'g') return {};
    std::size_t start = 0;
    const std::string_view f = field(text, s, start);

    // The longest prefix that reads as a decimal number: sign, digits with
    // an optional point, and an exponent only when digits follow its 'e'.
    std::size_t i = 0;
    if (i < f.size() && (f[i] == '+' || f[i] == '-')) ++i;
    const std::size_t mantissa = i;
    std::size_t digits = 0;
    while (i < f.size() && isDigit(f[i])) ++i, ++digits;
    if (i < f.size() && f[i] == '.') {
        ++i;
        while (i < f.size() && isDigit(f[i])) ++i, ++digits;
    }
    if (digits == 0) {
        // "inf", "infinity", "nan", as scanf reads them.
        auto word = [&](std::string_view w) {
            if (f.size() - mantissa < w.size()) return false;
            for (std::size_t k = 0; k < w.size(); ++k)
                if (std::tolower(static_cast<unsigned char>(f[mantissa + k])) != w[k]) return false;
            return true;
        };
        if (word("infinity")) i = mantissa + 8;
        else if (word("inf")) i = mantissa + 3;
        else if (word("nan")) i = mantissa + 3;
        else return {};
    } else if (i < f.size() && (f[i] == 'e' || f[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < f.size() && (f[j] == '+' || f[j] == '-')) ++j;
        if (j < f.size() && isDigit(f[j])) {
            while (j < f.size() && isDigit(f[j])) ++j;
            i = j;
        }
    }
    std::string_view number = f.substr(0, i);
    if (!number.empty() && number[0] == '+') number.remove_prefix(1);
    double value = 0;
    const auto r = std::from_chars(number.data(), number.data() + number.size(), value);
    if (r.ptr != number.data() + number.size()) {
        // Out of range: scanf gives the infinity or zero it rounds to.
        if (r.ec != std::errc::result_out_of_range) return {};
        const bool negative = number[0] == '-';
        const std::size_t e = number.find_first_of("eE");
        const bool tiny = e != std::string_view::npos && number.find('-', e) != std::string_view::npos;
        value = tiny ? (negative ? -0.0 : 0.0)
                     : (negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity());
    }
    out = value;
    return finish(text, start + i);
}

}  // namespace halvane::link::Comm
