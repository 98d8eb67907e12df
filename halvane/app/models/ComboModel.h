#pragma once

#include "halvane/app/models/ValueList.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace halvane::app::models::CustomControls {

// The items of a combo box bound to an int: the value list less the
// excluded values, in order, each item carrying its value.
class ComboModel {
public:
    // At most this many items show in the opened list.
    static constexpr std::size_t kMaxDropItems = 21;

    ComboModel() = default;
    ComboModel(const ValueList& list, const std::vector<int>& excluded = {});

    const std::vector<ValueEntry>& items() const { return items_; }

    // Item heights the opened box adds to its closed height: the item count
    // + 1, at most 21.
    std::size_t dropItems() const;

    // The selection for `*variable`: the item holding its value; else the
    // last item, whose value the variable then takes (`changed` says so, and
    // the parent is told). An empty list selects nothing and changes
    // nothing.
    std::optional<std::size_t> select(int* variable, bool& changed) const;

private:
    std::vector<ValueEntry> items_;
};

}  // namespace halvane::app::models::CustomControls
