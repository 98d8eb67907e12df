#pragma once

#include <optional>
#include <string>

namespace halvane::app::models::CustomControls {

// The rules of an edit box bound to a double with limits: a text below the
// minimum sets the variable to the minimum and fails, above the maximum to
// the maximum and fails; a number within takes the variable. A text that is
// no finite number fails and leaves the variable as it is. The box shows
// "%lf" of the variable (0 when unbound).
class DoubleField {
public:
    DoubleField(double minimum, double maximum) : min_(minimum), max_(maximum) {}

    // Applies `text` to `*variable` (may be null: only the verdict).
    bool apply(const std::string& text, double* variable) const;
    static std::string show(const double* variable);

    double minimum() const { return min_; }
    double maximum() const { return max_; }

private:
    double min_;
    double max_;
};

}  // namespace halvane::app::models::CustomControls
