#include "halvane/app/models/SpeakerSelectionPrompt.h"

#include "halvane/diagnostics/InstalledHook.h"

namespace halvane {

namespace {

InstalledHook<SpeakerSelectionShell>& installedShell() {
    static InstalledHook<SpeakerSelectionShell> shell;
    return shell;
}

}  // namespace

SpeakerSelectionShell SetSpeakerSelectionShell(SpeakerSelectionShell shell) {
    return installedShell().Install(std::move(shell));
}

bool ChooseSpeakersToMeasure(SpeakerSelection& selection, platform::WindowHandle parent) {
    const SpeakerSelectionShell shell = installedShell().Current();
    if (!shell) return false;
    return shell(selection, parent);
}

}  // namespace halvane
