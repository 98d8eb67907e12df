#include "halvane/app/models/SpinModel.h"

namespace halvane::app::models::CustomControls {

namespace {

// Steps 1 and 2 of typing into a spin box: an equal label, else a label
// the text begins (case ignored).
bool matchLabel(const ValueList& list, const std::string& text, SpinTyped& result) {
    const TypedMatch match = list.matchTyped(text);
    if (!match.index) return false;
    result.valid = true;
    result.value = list[*match.index].value;
    result.completedText = match.completedText;
    result.completedFrom = match.completedFrom;
    return true;
}

}  // namespace

std::string ListSpinModel::display(int& value) const {
    const auto index = list_.closest(value);
    if (!index) return {};
    value = list_[*index].value;
    return list_[*index].label;
}

std::optional<int> ListSpinModel::step(int value, int delta) const {
    const auto index = list_.closest(value);
    if (!index) return std::nullopt;
    const long long next = static_cast<long long>(*index) + delta;
    if (next < 0 || next >= static_cast<long long>(list_.size())) return std::nullopt;
    return list_[static_cast<std::size_t>(next)].value;
}

SpinTyped ListSpinModel::typed(const std::string& text) const {
    SpinTyped result;
    matchLabel(list_, text, result);
    return result;
}

std::string NumericSpinModel::display(int& value) const {
    value = grid_.snap(value);
    if (const auto index = names_.find(value)) return names_[*index].label;
    return applicator_.format(value);
}

std::optional<int> NumericSpinModel::step(int value, int delta) const {
    const int current = grid_.snap(value);
    const int next = grid_.valueOf(static_cast<long long>(grid_.positionOf(current)) + delta);
    // Positions finer than the grid would lower an upward step back onto
    // the same value: a step always moves at least one grid line.
    if (next == current && delta > 0) return grid_.snap(static_cast<long long>(current) + grid_.step());
    return next;
}

SpinTyped NumericSpinModel::typed(const std::string& text) const {
    SpinTyped result;
    if (matchLabel(names_, text, result)) return result;
    const std::optional<int> number = applicator_.parse(text);
    if (!number) return result;
    if (*number < grid_.minimum()) {
        result.value = grid_.minimum();
    } else if (*number > grid_.maximum()) {
        result.value = grid_.maximum();
    } else {
        result.valid = true;
        result.value = grid_.snap(*number);
    }
    return result;
}

}  // namespace halvane::app::models::CustomControls
