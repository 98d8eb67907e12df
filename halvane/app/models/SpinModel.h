#pragma once

#include "halvane/app/models/Applicator.h"
#include "halvane/app/models/SpinGrid.h"
#include "halvane/app/models/ValueList.h"

#include <cstddef>
#include <optional>
#include <string>

namespace halvane::app::models::CustomControls {

// What a spin box made of a typed text.
struct SpinTyped {
    bool valid = false;
    // The variable's new value: the chosen entry or number (valid), or the
    // limit a number beyond it is pulled to (invalid). None: unchanged.
    std::optional<int> value;
    // A completion of a label: the new edit text and where its completed
    // (selected) part starts, in bytes.
    std::optional<std::string> completedText;
    std::size_t completedFrom = 0;
};

// The rules of one kind of spin box, apart from its window: what it shows
// for a value, how the up-down steps it and what typing does. The bound
// variable lives with the widget; these only compute.
class SpinModel {
public:
    virtual ~SpinModel() = default;

    // The text shown for `value`, which is first moved to a value the box
    // can hold (the closest entry, or onto the grid). An empty list shows
    // an empty text and leaves the value alone.
    virtual std::string display(int& value) const = 0;
    // The value `delta` up-down steps away from `value`; none when that
    // leaves the choices (a value list does not wrap).
    virtual std::optional<int> step(int value, int delta) const = 0;
    virtual SpinTyped typed(const std::string& text) const = 0;
    // The number of up-down steps the box spans (for the acceleration).
    virtual int range() const = 0;
};

// SpinTextBox: a choice among the labelled values of a list.
class ListSpinModel final : public SpinModel {
public:
    explicit ListSpinModel(ValueList list) : list_(std::move(list)) {}

    std::string display(int& value) const override;
    std::optional<int> step(int value, int delta) const override;
    SpinTyped typed(const std::string& text) const override;
    int range() const override { return list_.empty() ? 0 : static_cast<int>(list_.size()) - 1; }

    const ValueList& list() const { return list_; }

private:
    ValueList list_;
};

// CSpin<int> (no names) and CSpinText<int> (values with a name in `names`
// show and accept the name): a number on a grid.
class NumericSpinModel final : public SpinModel {
public:
    explicit NumericSpinModel(SpinGrid grid, ValueList names = {}, Applicator applicator = Applicator())
        : grid_(grid), names_(std::move(names)), applicator_(applicator) {}

    std::string display(int& value) const override;
    std::optional<int> step(int value, int delta) const override;
    SpinTyped typed(const std::string& text) const override;
    int range() const override { return grid_.positionRange(); }

    const SpinGrid& grid() const { return grid_; }

private:
    SpinGrid grid_;
    ValueList names_;
    Applicator applicator_;
};

}  // namespace halvane::app::models::CustomControls
