#include "pellivar/ValueEntry.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace pellivar {

namespace {

std::string trimmed(const std::string& text) {
    std::size_t b = 0, e = text.size();
    while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
    return text.substr(b, e - b);
}

bool isWhole(double v) { return std::fabs(v - std::round(v)) < 1e-6; }

}  // namespace

std::optional<long long> ValueEntry::ParseInteger(const std::string& text) {
    std::string t = trimmed(text);
    if (!t.empty() && t[0] == '+') t.erase(0, 1);
    if (t.empty()) return std::nullopt;
    long long v = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || end != t.data() + t.size()) return std::nullopt;
    return v;
}

// Parsed by hand, so the user's locale never changes what "1.5" means.
std::optional<double> ValueEntry::ParseDecimal(const std::string& text) {
    const std::string t = trimmed(text);
    std::size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    double v = 0;
    int digits = 0;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) {
        v = v * 10 + (t[i++] - '0');
        ++digits;
    }
    if (i < t.size() && t[i] == '.') {
        ++i;
        double scale = 0.1;
        while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) {
            v += (t[i++] - '0') * scale;
            scale /= 10;
            ++digits;
        }
    }
    if (digits == 0 || i != t.size() || digits > 15) return std::nullopt;
    return negative ? -v : v;
}

bool ValueEntry::IntegerAcceptable(const std::string& text, int minimum, int maximum) {
    const auto v = ParseInteger(text);
    return v && *v >= minimum && *v <= maximum;
}

ValueEntry::Stored ValueEntry::StoreInteger(const std::string& text, int minimum, int maximum, int current) {
    Stored s;
    s.value = current;
    const auto v = ParseInteger(text);
    if (!v) return s;
    s.changed = true;
    if (*v >= minimum && *v <= maximum) {
        s.value = static_cast<int>(*v);
        s.valid = true;
        return s;
    }
    s.value = *v < minimum ? minimum : maximum;
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, "Range is [(%d) - (%d)].\nValue was %lld.", minimum, maximum, *v);
    s.message = buffer;
    return s;
}

bool ValueEntry::DecimalAcceptable(const std::string& text, int minimum, int maximum, int divisor) {
    divisor = std::max(divisor, 1);
    const auto v = ParseDecimal(text);
    if (!v) return false;
    const double product = *v * divisor;
    return isWhole(product) && std::round(product) >= minimum && std::round(product) <= maximum;
}

ValueEntry::Stored ValueEntry::StoreDecimal(const std::string& text, int minimum, int maximum, int divisor,
                                            int current) {
    divisor = std::max(divisor, 1);
    Stored s;
    s.value = current;
    const auto v = ParseDecimal(text);
    if (!v) return s;
    const double product = *v * divisor;
    const double rounded = std::round(product);
    if (isWhole(product) && rounded >= minimum && rounded <= maximum) {
        s.value = static_cast<int>(rounded);
        s.changed = true;
        s.valid = true;
        return s;
    }
    if (product < minimum) {
        s.value = minimum;
        s.changed = true;
    } else if (product > maximum) {
        s.value = maximum;
        s.changed = true;
    }
    char buffer[200];
    std::snprintf(buffer, sizeof buffer, "Range is [(%f) - (%f)].\nValue was %f.",
                  static_cast<double>(minimum) / divisor, static_cast<double>(maximum) / divisor, *v);
    s.message = buffer;
    return s;
}

std::string ValueEntry::FormatDivided(int value, int divisor) {
    divisor = std::max(divisor, 1);
    int decimals = 0;
    for (int d = divisor; d >= 10; d /= 10) ++decimals;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, static_cast<double>(value) / divisor);
    return buffer;
}

}  // namespace pellivar
