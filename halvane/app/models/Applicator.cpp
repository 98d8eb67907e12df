#include "halvane/app/models/Applicator.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace halvane::app::models::CustomControls {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// The text between leading and trailing blanks, with a leading '+' dropped
// (from_chars does not take one).
std::string_view trimmed(const std::string& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    std::string_view view(text.data() + begin, end - begin);
    if (!view.empty() && view.front() == '+') {
        view.remove_prefix(1);
        if (!view.empty() && (view.front() == '-' || view.front() == '+')) view = {};
    }
    return view;
}

}  // namespace

std::optional<int> Applicator::parse(const std::string& text) const {
    const std::string_view view = trimmed(text);
    if (view.empty()) return std::nullopt;
    long long value = 0;
    const auto [end, error] = std::from_chars(view.data(), view.data() + view.size(), value);
    if (error != std::errc() || end != view.data() + view.size()) return std::nullopt;
    if ((flags_ & kTimes10) != 0) value *= 10;
    if ((flags_ & kTimes100) != 0) value *= 100;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) return std::nullopt;
    return static_cast<int>(value);
}

std::string Applicator::format(int value) const { return std::to_string(value); }

std::optional<double> ParseFiniteDouble(const std::string& text) {
    const std::string_view view = trimmed(text);
    if (view.empty()) return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(view.data(), view.data() + view.size(), value);
    if (error != std::errc() || end != view.data() + view.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::string FormatDouble(double value) {
    // Fixed notation with six decimals, as "%lf" writes it in the C locale;
    // to_chars never uses the locale's decimal comma. The longest double
    // (1e308) needs 309 digits + 7.
    char buffer[400];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    if (error != std::errc()) return {};
    return std::string(buffer, end);
}

}  // namespace halvane::app::models::CustomControls
