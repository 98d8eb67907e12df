#include "halvane/app/models/SpeakerSelectionPrompt.h"

#include "halvane/diagnostics/InstalledHook.h"

namespace halvane::app::models {

namespace {

diagnostics::InstalledHook<SpeakerSelectionShell>& installedShell() {
    static diagnostics::InstalledHook<SpeakerSelectionShell> shell;
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

}  // namespace halvane::app::models
