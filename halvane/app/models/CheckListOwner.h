#pragma once

namespace halvane::app::models {

// Told at once whenever the user ticks or unticks an item of a check list.
class CheckListOwner {
public:
    virtual ~CheckListOwner() = default;
    // `index` is the item's place in the list's item array; `list` stands
    // for the list that showed it.
    virtual void OnCheckChanged(int index, const void* list) = 0;
};

}  // namespace halvane::app::models
