#include "halvane/app/controls/RepeatMeasurementsPrompt.h"

#include <mutex>
#include <utility>

namespace halvane {

namespace {

std::mutex& shellMutex() {
    static std::mutex mutex;
    return mutex;
}

RepeatMeasurementsShell& installedShell() {
    static RepeatMeasurementsShell shell;
    return shell;
}

}  // namespace

RepeatMeasurementsShell SetRepeatMeasurementsShell(RepeatMeasurementsShell shell) {
    std::lock_guard lock(shellMutex());
    return std::exchange(installedShell(), std::move(shell));
}

bool PickMeasurementsToRepeat(const RepeatMeasurementsRequest& request, platform::WindowHandle parent) {
    RepeatMeasurementsShell shell;
    {
        std::lock_guard lock(shellMutex());
        shell = installedShell();
    }
    if (!shell) return false;
    return shell(request, parent);
}

}  // namespace halvane
