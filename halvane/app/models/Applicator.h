#pragma once

#include <optional>
#include <string>

namespace halvane::app::models::CustomControls {

// Turns a spin box's text into its int ("%d", leading blanks allowed,
// nothing but blanks after the number). Flag 8 multiplies the number by 10,
// flag 16 by 100. A number that does not fit an int is no number.
class Applicator {
public:
    static constexpr unsigned kTimes10 = 8;
    static constexpr unsigned kTimes100 = 16;

    explicit Applicator(unsigned flags = 0) : flags_(flags) {}
    virtual ~Applicator() = default;

    virtual std::optional<int> parse(const std::string& text) const;
    // "%d" of the value.
    virtual std::string format(int value) const;

    unsigned flags() const { return flags_; }

private:
    unsigned flags_;
};

// Parses a double in the C locale's form ("%lf", whatever LC_NUMERIC says):
// leading blanks, an optional sign, digits with '.' and an exponent; only
// blanks may follow. NaN and infinity are refused: no setting takes them.
std::optional<double> ParseFiniteDouble(const std::string& text);
// "%lf" of the value in the C locale's form (six decimals, '.').
std::string FormatDouble(double value);

}  // namespace halvane::app::models::CustomControls
