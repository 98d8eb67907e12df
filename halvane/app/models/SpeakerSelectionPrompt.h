#pragma once

#include "halvane/app/models/SpeakerSelection.h"
#include "platform/WindowHandle.h"

#include <functional>

namespace halvane::app::models {

// Shows "Select speakers to measure." over `parent`, editing `selection` in
// place; true on OK.
using SpeakerSelectionShell = std::function<bool(SpeakerSelection& selection, platform::WindowHandle parent)>;

// Installs `shell` (empty: none again); returns the previous one.
SpeakerSelectionShell SetSpeakerSelectionShell(SpeakerSelectionShell shell);

// Asks which speakers to measure. Callable from the measurement worker: the
// installed dialog runs on the user-interface thread while the caller
// waits. Without a dialog it answers Cancel (no user to ask).
bool ChooseSpeakersToMeasure(SpeakerSelection& selection, platform::WindowHandle parent = {});

}  // namespace halvane::app::models
