#pragma once

#include "halvane/app/controls/CheckData.h"
#include "halvane/app/controls/CheckListOwner.h"
#include "platform/WindowHandle.h"

#include <cstddef>
#include <functional>
#include <string>

namespace halvane {

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

}  // namespace halvane
