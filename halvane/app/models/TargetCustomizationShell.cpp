#include "halvane/app/models/TargetCustomizationShell.h"

#include "halvane/app/models/TargetCustomizationModel.h"
#include "halvane/diagnostics/InstalledHook.h"

namespace halvane::app::models {

namespace {

diagnostics::InstalledHook<TargetCustomizationShell>& installedShell() {
    static diagnostics::InstalledHook<TargetCustomizationShell> shell;
    return shell;
}

}  // namespace

TargetCustomizationShell SetTargetCustomizationShell(TargetCustomizationShell shell) {
    return installedShell().Install(std::move(shell));
}

bool OpenTargetCustomization(document::CHalvaneDoc& document, std::int32_t unitKind, platform::WindowHandle parent,
                             document::TargetJobs* jobs) {
    const TargetCustomizationShell shell = installedShell().Current();
    if (!shell) return false;
    const bool receiver = unitKind == 4;
    return shell(document, receiver,
                 receiver ? TargetCustomizationModel::kReceiverMaxFrequency : TargetCustomizationModel::kMaxFrequency,
                 parent, jobs);
}

}  // namespace halvane::app::models
