#include "halvane/app/models/SpeakerSelectionPrompt.h"

#include <mutex>
#include <utility>

namespace halvane {

namespace {

std::mutex& shellMutex() {
    static std::mutex mutex;
    return mutex;
}

SpeakerSelectionShell& installedShell() {
    static SpeakerSelectionShell shell;
    return shell;
}

}  // namespace

SpeakerSelectionShell SetSpeakerSelectionShell(SpeakerSelectionShell shell) {
    std::lock_guard lock(shellMutex());
    return std::exchange(installedShell(), std::move(shell));
}

bool ChooseSpeakersToMeasure(SpeakerSelection& selection, platform::WindowHandle parent) {
    SpeakerSelectionShell shell;
    {
        std::lock_guard lock(shellMutex());
        shell = installedShell();
    }
    if (!shell) return false;
    return shell(selection, parent);
}

}  // namespace halvane
