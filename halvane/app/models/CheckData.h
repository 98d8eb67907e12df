#pragma once

#include <cstdint>
#include <string>

namespace halvane::app::models {

// One item of a check list, in the caller's storage: the check state the
// list shows, the state to show when it is (re)displayed, and the label.
// It holds no reference to a list or a list item: every fill of a list
// makes new items, so a record kept for the process's lifetime (the level
// checks keep ten) never points into a list that has gone.
class CheckData {
public:
    virtual ~CheckData() = default;

    // Sets the label and clears the state to show.
    void SetLabel(const std::string& label) {
        Requested = 0;
        Label = label;
    }

    std::int32_t Checked = 0;
    std::int32_t Requested = 0;
    std::string Label = " ";
};

}  // namespace halvane::app::models
