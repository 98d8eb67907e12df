#pragma once

#include <optional>
#include <string>

namespace pellivar {

// What the value controls make of typed text, apart from their widgets.
struct ValueEntry {
    static constexpr const char* kIntegerCaption = "Integer value out of range.";
    static constexpr const char* kDecimalCaption = "Decimal value out of range.";

    // The outcome of storing typed text.
    struct Stored {
        int value = 0;            // the value to keep (and send)
        bool changed = false;     // the text gave a value (possibly clamped)
        std::string message;      // a range message to show, or empty
        bool valid = false;       // the text was acceptable as it was
    };

    // A decimal integer (blanks around it allowed, optional sign); nothing
    // else on the line.
    static std::optional<long long> ParseInteger(const std::string& text);
    // A decimal number ("1.5", "-0.25", "2"); nothing else on the line.
    static std::optional<double> ParseDecimal(const std::string& text);

    // The silent check on every keystroke: a value within the range.
    static bool IntegerAcceptable(const std::string& text, int minimum, int maximum);
    // Storing: out of range, the nearer bound and the message
    // "Range is [(%d) - (%d)].\nValue was %d."; text that is no number keeps
    // `current` and gives no value.
    static Stored StoreInteger(const std::string& text, int minimum, int maximum, int current);

    // The same for a value shown divided by `divisor`: the typed number
    // times the divisor must be a whole number (within 1e-6, as floating
    // point cannot hold 1.15 x 100 exactly) inside the range. Otherwise the
    // value becomes the nearer bound (or stays, for a fraction) with
    // "Range is [(%lf) - (%lf)].\nValue was %lf.".
    static bool DecimalAcceptable(const std::string& text, int minimum, int maximum, int divisor);
    static Stored StoreDecimal(const std::string& text, int minimum, int maximum, int divisor, int current);

    // The value as a step-divided control shows it: value / divisor with as
    // many decimals as the divisor has zeros (divisor 100: "1.50").
    static std::string FormatDivided(int value, int divisor);
};

}  // namespace pellivar
