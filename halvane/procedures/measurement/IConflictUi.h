#pragma once

#include "platform/WindowHandle.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace halvane::procedures {

// The check-list dialog as the level checks use it: a caption, an
// explanation and one labelled item per measurement, none ticked at first.
// The answer on OK is the indices of the ticked items in list order; on
// Cancel, none. Called from the measurement worker; an implementation shows
// the dialog on the user-interface thread and waits for it.
class IConflictUi {
public:
    virtual ~IConflictUi() = default;
    virtual std::optional<std::vector<std::size_t>> PickMeasurementsToRepeat(const std::string& caption,
                                                                             const std::string& text,
                                                                             const std::vector<std::string>& labels,
                                                                             platform::WindowHandle parent) = 0;
};

}  // namespace halvane::procedures
