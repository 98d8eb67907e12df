#pragma once

#include "halvane/app/models/CheckData.h"
#include "halvane/app/models/CheckListOwner.h"

#include <cstddef>

namespace halvane::app::models {

// The logic of a check list over the caller's item array: filling shows
// every item with its requested state, a click on an item toggles it and
// tells the owner. There is never a selection.
class CheckListModel {
public:
    CheckListModel(CheckData* items, std::size_t count, CheckListOwner* owner = nullptr)
        : items_(count == 0 ? nullptr : items), count_(items == nullptr ? 0 : count), owner_(owner) {}

    std::size_t size() const { return count_; }
    const CheckData& item(std::size_t index) const { return items_[index]; }

    // Each item's Checked takes its Requested, in array order.
    void fill();
    // The user clicked item `index` (box or text): its state flips and the
    // owner is told. An index outside the items changes nothing. Returns the
    // new state (false when nothing changed).
    bool toggle(std::size_t index, const void* list = nullptr);

private:
    CheckData* items_;
    std::size_t count_;
    CheckListOwner* owner_;
};

}  // namespace halvane::app::models
