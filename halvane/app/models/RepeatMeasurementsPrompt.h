#pragma once

#include "halvane/app/models/CheckData.h"
#include "halvane/app/models/CheckListOwner.h"
#include "platform/WindowHandle.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace halvane::app::models {

// What the level checks ask the user: a caption, an explanation and the
// measurements that may be repeated, in the caller's storage.
struct RepeatMeasurementsRequest {
    std::string caption;
    std::string text;
    CheckData* items = nullptr;
    std::size_t count = 0;
    CheckListOwner* owner = nullptr;
};

// Shows the check-list dialog for the request over `parent`; true on OK,
// with the ticked items' Checked set.
using RepeatMeasurementsShell = std::function<bool(const RepeatMeasurementsRequest& request, platform::WindowHandle parent)>;

// Installs `shell` (empty: none again); returns the previous one. The
// program installs the Qt dialog at start-up; tests script their own.
RepeatMeasurementsShell SetRepeatMeasurementsShell(RepeatMeasurementsShell shell);

// Lets the user pick the measurements to repeat. Callable from the
// measurement worker: the installed dialog runs on the user-interface
// thread while the caller waits. Without a dialog it answers Cancel, as a
// question with no user does.
bool PickMeasurementsToRepeat(const RepeatMeasurementsRequest& request, platform::WindowHandle parent = {});

// The same for items given by their labels, none ticked at first: the
// indices of the ticked items in list order after OK, none on Cancel.
std::optional<std::vector<std::size_t>> PickMeasurementsToRepeat(const std::string& caption, const std::string& text,
                                                                  const std::vector<std::string>& labels,
                                                                  platform::WindowHandle parent = {});

}  // namespace halvane::app::models
