#include "halvane/app/models/TargetCustomizationShell.h"

#include <mutex>
#include <utility>

#include "halvane/app/models/TargetCustomizationModel.h"

namespace halvane {

namespace {

std::mutex& shellMutex() {
    static std::mutex mutex;
    return mutex;
}

TargetCustomizationShell& installedShell() {
    static TargetCustomizationShell shell;
    return shell;
}

}  // namespace

TargetCustomizationShell SetTargetCustomizationShell(TargetCustomizationShell shell) {
    std::lock_guard lock(shellMutex());
    return std::exchange(installedShell(), std::move(shell));
}

bool OpenTargetCustomization(CHalvaneDoc& document, std::int32_t unitKind, platform::WindowHandle parent) {
    TargetCustomizationShell shell;
    {
        std::lock_guard lock(shellMutex());
        shell = installedShell();
    }
    if (!shell) return false;
    const bool receiver = unitKind == 4;
    return shell(document, receiver,
                 receiver ? TargetCustomizationModel::kReceiverMaxFrequency : TargetCustomizationModel::kMaxFrequency,
                 parent);
}

}  // namespace halvane
