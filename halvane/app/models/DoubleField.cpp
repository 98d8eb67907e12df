#include "halvane/app/models/DoubleField.h"

#include "halvane/app/models/Applicator.h"

namespace halvane::app::models::CustomControls {

bool DoubleField::apply(const std::string& text, double* variable) const {
    const std::optional<double> value = ParseFiniteDouble(text);
    if (!value) return false;
    double result = *value;
    bool ok = true;
    if (result < min_) {
        result = min_;
        ok = false;
    } else if (result > max_) {
        result = max_;
        ok = false;
    }
    if (variable != nullptr) *variable = result;
    return ok;
}

std::string DoubleField::show(const double* variable) { return FormatDouble(variable != nullptr ? *variable : 0.0); }

}  // namespace halvane::app::models::CustomControls
