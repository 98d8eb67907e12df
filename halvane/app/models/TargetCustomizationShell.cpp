#include "halvane/app/models/TargetCustomizationShell.h"

#include "halvane/app/models/TargetCustomizationModel.h"
#include "halvane/diagnostics/InstalledHook.h"

namespace halvane {

namespace {

InstalledHook<TargetCustomizationShell>& installedShell() {
    static InstalledHook<TargetCustomizationShell> shell;
    return shell;
}

}  // namespace

TargetCustomizationShell SetTargetCustomizationShell(TargetCustomizationShell shell) {
    return installedShell().Install(std::move(shell));
}

bool OpenTargetCustomization(CHalvaneDoc& document, std::int32_t unitKind, platform::WindowHandle parent,
                             TargetJobs* jobs) {
    const TargetCustomizationShell shell = installedShell().Current();
    if (!shell) return false;
    const bool receiver = unitKind == 4;
    return shell(document, receiver,
                 receiver ? TargetCustomizationModel::kReceiverMaxFrequency : TargetCustomizationModel::kMaxFrequency,
                 parent, jobs);
}

}  // namespace halvane
