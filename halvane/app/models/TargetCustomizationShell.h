#pragma once

#include <cstdint>
#include <functional>

#include "platform/WindowHandle.h"

namespace halvane::document {
class CHalvaneDoc;
}
namespace halvane::document {
class TargetJobs;
}

namespace halvane::app::models {


// Shows "Target Customization" over `parent` for the document, with the
// receiver flag and maximum frequency given and the jobs its Auto Detect
// starts (null: Auto Detect changes nothing); true on OK.
using TargetCustomizationShell = std::function<bool(document::CHalvaneDoc& document, bool receiver, int maxFrequency,
                                                    platform::WindowHandle parent, document::TargetJobs* jobs)>;

// Installs `shell` (empty: none again); returns the previous one.
TargetCustomizationShell SetTargetCustomizationShell(TargetCustomizationShell shell);

// The Targets command and the wizard: runs the target customisation modally
// for `unitKind`, the receiver class (4) with the receiver flag and a
// maximum EQ frequency of 5000 Hz, the others with 20000 Hz. Returns
// whether it ended with OK; without a dialog installed it answers Cancel.
// `jobs` are handed to the dialog for its Auto Detect.
bool OpenTargetCustomization(document::CHalvaneDoc& document, std::int32_t unitKind, platform::WindowHandle parent = {},
                             document::TargetJobs* jobs = nullptr);

}  // namespace halvane::app::models
